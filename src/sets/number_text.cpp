#include "sets/number_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/ascii.h"
#include "sets/calendar.h"

using namespace vezuved;

namespace vezuved::maps {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// from_chars rejects a leading '+', which people do write.
std::optional<double> ReadDouble(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return !text.empty();
}

int Digits(std::string_view text) {
    int value = 0;
    for (char c : text) value = value * 10 + (c - '0');
    return value;
}

// A year before 1 BC keeps its sign ahead of the zeros: "-0044".
std::string Pad(int value, int width) {
    const std::string digits = std::to_string(value < 0 ? -static_cast<int64_t>(value) : value);
    const std::string zeros(digits.size() < static_cast<size_t>(width) ? width - digits.size() : 0, '0');
    return (value < 0 ? "-" : "") + zeros + digits;
}

// Splits UTC milliseconds into a civil date and the milliseconds of its day.
void SplitMillis(int64_t millis, int& year, int& month, int& day, int64_t& dayMillis) {
    int64_t days = millis / 86400000;
    dayMillis = millis % 86400000;
    if (dayMillis < 0) {
        dayMillis += 86400000;
        days -= 1;
    }
    CivilFromDays(days, year, month, day);
}

}  // namespace

std::string FormatRecordTime(int64_t millis) {
    int year = 0, month = 0, day = 0;
    int64_t dayMillis = 0;
    SplitMillis(millis, year, month, day, dayMillis);
    const int64_t daySeconds = dayMillis / 1000;
    std::string text = Pad(static_cast<int>(daySeconds / 3600), 2) +
                       Pad(static_cast<int>(daySeconds / 60 % 60), 2) +
                       Pad(static_cast<int>(daySeconds % 60), 2);
    // The record keeps the digits after the point as a whole number of
    // milliseconds, written with at least two digits: 1 ms is ".01", 50 ms
    // ".50", 500 ms ".500".
    if (dayMillis % 1000 != 0) text += "." + Pad(static_cast<int>(dayMillis % 1000), 2);
    return text + " " + Pad(day, 2) + Pad(month, 2) + Pad(year, 4);
}

std::optional<double> ParseNumber(std::string_view text) { return ReadDouble(Trim(text)); }

std::optional<double> ParseCoordinate(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    if (!IsAsciiLetter(text.front())) return ReadDouble(text);
    const char hemisphere = AsciiLower(text.front());
    const double sign = hemisphere == 's' || hemisphere == 'w' ? -1.0 : 1.0;
    text = Trim(text.substr(1));
    // Degrees, then optional minutes, then optional seconds, split at spaces.
    double parts[3] = {0, 0, 0};
    int count = 0;
    while (!text.empty()) {
        if (count == 3) return std::nullopt;
        const size_t space = text.find(' ');
        const auto value = ReadDouble(text.substr(0, space));
        if (!value) return std::nullopt;
        parts[count++] = *value;
        text = space == std::string_view::npos ? std::string_view() : Trim(text.substr(space));
    }
    if (count == 0) return std::nullopt;
    return sign * (parts[0] + parts[1] / 60.0 + parts[2] / 3600.0);
}

std::optional<int64_t> RecordTime(std::string_view text) {
    text = Trim(text);
    const size_t space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string_view clock = text.substr(0, space);
    const std::string_view date = Trim(text.substr(space));
    // The digits after the point are a whole number of milliseconds, as
    // the library counts them in a leg's time (".05" is 5 ms, ".500" half a
    // second); the library keeps at most 32767 of them.
    int millis = 0;
    const size_t dot = clock.find('.');
    if (dot != std::string_view::npos) {
        const std::string_view fraction = clock.substr(dot + 1);
        if (!AllDigits(fraction) || fraction.size() > 5) return std::nullopt;
        millis = Digits(fraction);
        clock = clock.substr(0, dot);
    }
    if (clock.size() != 6 || !AllDigits(clock) || date.size() != 8 || !AllDigits(date)) return std::nullopt;
    const int hour = Digits(clock.substr(0, 2));
    const int minute = Digits(clock.substr(2, 2));
    const int second = Digits(clock.substr(4, 2));
    const int day = Digits(date.substr(0, 2));
    const int month = Digits(date.substr(2, 2));
    const int year = Digits(date.substr(4, 4));
    if (hour > 23 || minute > 59 || second > 59 || year < 1 || !IsCivilDate(year, month, day)) {
        return std::nullopt;
    }
    const int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return seconds * 1000 + millis;
}

static std::string WideIsoTime(int64_t millis);

size_t WriteIsoTime(int64_t millis, char* out) {
    int year = 0, month = 0, day = 0;
    int64_t dayMillis = 0;
    SplitMillis(millis, year, month, day, dayMillis);
    if (year < 0 || year > 9999) {
        // Beyond four digits of year: the slow way, as wide as it needs.
        return WideIsoTime(millis).copy(out, kIsoTimeTextSize);
    }
    char* at = out;
    auto two = [&at](int value) {
        *at++ = static_cast<char>('0' + value / 10);
        *at++ = static_cast<char>('0' + value % 10);
    };
    two(year / 100);
    two(year % 100);
    *at++ = '-';
    two(month);
    *at++ = '-';
    two(day);
    *at++ = 'T';
    const int daySeconds = static_cast<int>(dayMillis / 1000);
    two(daySeconds / 3600);
    *at++ = ':';
    two(daySeconds / 60 % 60);
    *at++ = ':';
    two(daySeconds % 60);
    if (const int fraction = static_cast<int>(dayMillis % 1000); fraction != 0) {
        *at++ = '.';
        *at++ = static_cast<char>('0' + fraction / 100);
        two(fraction % 100);
    }
    *at++ = 'Z';
    return static_cast<size_t>(at - out);
}

// Any year, however wide; WriteIsoTime takes the common ones.
static std::string WideIsoTime(int64_t millis) {
    int64_t seconds = millis / 1000;
    int64_t fraction = millis % 1000;
    if (fraction < 0) {
        fraction += 1000;
        seconds -= 1;
    }
    int64_t days = seconds / 86400;
    int64_t daySeconds = seconds % 86400;
    if (daySeconds < 0) {
        daySeconds += 86400;
        days -= 1;
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    std::string text = Pad(year, 4) + "-" + Pad(month, 2) + "-" + Pad(day, 2) + "T" +
                       Pad(static_cast<int>(daySeconds / 3600), 2) + ":" +
                       Pad(static_cast<int>(daySeconds / 60 % 60), 2) + ":" +
                       Pad(static_cast<int>(daySeconds % 60), 2);
    if (fraction != 0) text += "." + Pad(static_cast<int>(fraction), 3);
    return text + "Z";
}

std::string FormatIsoTime(int64_t millis) {
    char text[kIsoTimeTextSize];
    return std::string(text, WriteIsoTime(millis, text));
}

std::string IsoTimeFromRecord(std::string_view text) {
    const std::optional<int64_t> time = RecordTime(text);
    return time ? FormatIsoTime(*time) : std::string();
}

size_t WriteFixed(double value, int decimals, char* out) {
    static constexpr double kScales[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    if (decimals >= 0 && decimals <= 9 && std::isfinite(value)) {
        const double scale = kScales[decimals];
        const double product = value * scale;
        const double units = std::nearbyint(product);
        // Below 2^52 the product is a multiple of its unit in the last
        // place, at most half a unit from the exact value, so the integer
        // nearest to it is the exact value's unless it lies half-way
        // between two: that case (rare) takes the exact way below.
        if (std::fabs(product) < 4e15 && std::fabs(product - units) != 0.5) {
            char digits[24];
            const auto integer =
                std::to_chars(digits, digits + sizeof digits, static_cast<uint64_t>(std::fabs(units)));
            const size_t count = static_cast<size_t>(integer.ptr - digits);
            const size_t places = static_cast<size_t>(decimals);
            char* at = out;
            // "-0.000" says nothing "0.000" does not.
            if (units < 0) *at++ = '-';
            if (count > places) {
                std::memcpy(at, digits, count - places);
                at += count - places;
            } else {
                *at++ = '0';
            }
            if (places > 0) {
                *at++ = '.';
                const size_t zeros = count < places ? places - count : 0;
                std::memset(at, '0', zeros);
                std::memcpy(at + zeros, integer.ptr - (places - zeros), places - zeros);
                at += places;
            }
            return static_cast<size_t>(at - out);
        }
    }
    const auto result = std::to_chars(out, out + kFixedTextSize, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return std::to_chars(out, out + kFixedTextSize, value).ptr - out;
    size_t size = static_cast<size_t>(result.ptr - out);
    if (out[0] == '-' && std::string_view(out, size).find_first_not_of("-0.") == std::string_view::npos) {
        std::memmove(out, out + 1, --size);
    }
    return size;
}

std::string FormatFixed(double value, int decimals) {
    char text[kFixedTextSize];
    return std::string(text, WriteFixed(value, decimals, text));
}

std::string FormatShortest(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

size_t WriteShortestFixed(double value, char* out) {
    if (value == 0) value = 0;  // no "-0"
    const auto result = std::to_chars(out, out + kFixedTextSize, value, std::chars_format::fixed);
    if (result.ec != std::errc()) return std::to_chars(out, out + kFixedTextSize, value).ptr - out;
    return static_cast<size_t>(result.ptr - out);
}

size_t WriteMetresOfFeet(double metres, double feet, int decimals, char* out) {
    decimals = std::max(decimals, 7);
    char wanted[kFixedTextSize], back[kFixedTextSize];
    const std::string_view feetText(wanted, WriteFixed(feet, decimals, wanted));
    // A text of k decimals that ends in 0 is that of k - 1, already tried.
    for (int k = 0; k <= 12; ++k) {
        const size_t size = WriteFixed(metres, k, out);
        double read = 0;
        std::from_chars(out, out + size, read);
        if (std::string_view(back, WriteFixed(read / kMetresPerFoot, decimals, back)) == feetText)
            return size;
    }
    return WriteShortestFixed(metres, out);
}

int DecimalsAsWritten(std::string_view text, double value) {
    size_t at = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const size_t integerStart = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    const size_t integerDigits = at - integerStart;
    // "0.5" and "0", never "007": FormatFixed writes no leading zeros.
    if (integerDigits == 0 || (integerDigits > 1 && text[integerStart] == '0')) return -1;
    int decimals = 0;
    if (at < text.size()) {
        if (text[at] != '.') return -1;
        const size_t fractionStart = ++at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        if (at != text.size() || at == fractionStart) return -1;
        decimals = static_cast<int>(at - fractionStart);
    }
    // Up to 15 digits a double gives the text back as it was; up to 17 it
    // may, as the shortest text of a double does, which is tried.
    const size_t digits = integerDigits + static_cast<size_t>(decimals);
    if (digits <= 15) return decimals;
    if (digits > 17) return -1;
    return FormatFixed(value, decimals) == text ? decimals : -1;
}

}  // namespace vezuved::maps
