#include "support/iso_time.h"

#include <cstdint>

#include "support/calendar.h"

namespace vezuved_cli {
namespace {

// Reads exactly count digits at text[at]; none when they are not there.
std::optional<int> Digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "HH:MM[:SS[.f...]][zone]" from at to the end.
bool ParseClock(std::string_view text, size_t at, IsoStamp& stamp) {
    const auto hour = Digits(text, at, 2);
    const auto minute = Digits(text, at + 3, 2);
    if (!hour || !minute || text[at + 2] != ':') return false;
    stamp.hour = *hour;
    stamp.minute = *minute;
    size_t i = at + 5;
    if (i < text.size() && text[i] == ':') {
        const auto second = Digits(text, i + 1, 2);
        if (!second) return false;
        stamp.second = *second;
        i += 3;
        if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
            ++i;
            const size_t first = i;
            int scale = 100;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                stamp.millis += (text[i] - '0') * scale;
                scale /= 10;
                ++i;
            }
            if (i == first) return false;
        }
    }
    if (stamp.hour > 23 || stamp.minute > 59 || stamp.second > 60) return false;
    if (stamp.second == 60) stamp.second = 59;  // a leap second is held at the minute's last
    stamp.hasTime = true;
    if (i == text.size()) return true;
    if (text[i] == 'Z' || text[i] == 'z') {
        stamp.hasZone = true;
        return i + 1 == text.size();
    }
    if (text[i] != '+' && text[i] != '-') return false;
    const int sign = text[i] == '-' ? -1 : 1;
    const auto zoneHour = Digits(text, i + 1, 2);
    if (!zoneHour || *zoneHour > 14) return false;
    size_t next = i + 3;
    int zoneMinute = 0;
    if (next < text.size()) {
        if (text[next] == ':') ++next;
        const auto read = Digits(text, next, 2);
        if (!read || *read > 59 || next + 2 != text.size()) return false;
        zoneMinute = *read;
    }
    stamp.hasZone = true;
    stamp.zoneMinutes = sign * (*zoneHour * 60 + zoneMinute);
    return true;
}

std::string Two(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) + static_cast<char>('0' + value % 10);
}

}  // namespace

std::optional<IsoStamp> ParseIsoStamp(std::string_view text) {
    // Spaces and line ends around the value, as XML and spreadsheets leave them.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    IsoStamp stamp;
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        const auto year = Digits(text, 0, 4);
        const auto month = Digits(text, 5, 2);
        const auto day = Digits(text, 8, 2);
        if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1 ||
            *day > DaysInMonth(*month, *year)) {
            return std::nullopt;
        }
        stamp.year = *year;
        stamp.month = *month;
        stamp.day = *day;
        stamp.hasDate = true;
        if (text.size() == 10) return stamp;
        if (text[10] != 'T' && text[10] != 't' && text[10] != ' ') return std::nullopt;
        if (!ParseClock(text, 11, stamp)) return std::nullopt;
        return stamp;
    }
    if (text.size() >= 5 && ParseClock(text, 0, stamp)) return stamp;
    return std::nullopt;
}

std::optional<int64_t> ParseIsoTime(std::string_view text) {
    const std::optional<IsoStamp> stamp = ParseIsoStamp(text);
    if (!stamp || !stamp->hasDate) return std::nullopt;
    const int64_t minutes = DaysFromCivil(stamp->year, stamp->month, stamp->day) * 1440 + stamp->hour * 60 +
                            stamp->minute - stamp->zoneMinutes;
    return (minutes * 60 + stamp->second) * 1000 + stamp->millis;
}

IsoStamp JoinStamps(const IsoStamp& date, const IsoStamp& time) {
    IsoStamp joined = time;
    joined.hasDate = date.hasDate;
    joined.year = date.year;
    joined.month = date.month;
    joined.day = date.day;
    if (!time.hasZone && date.hasZone) {
        joined.hasZone = true;
        joined.zoneMinutes = date.zoneMinutes;
    }
    return joined;
}

std::string LibraryTimeText(const IsoStamp& stamp) {
    int64_t days = stamp.hasDate ? DaysFromCivil(stamp.year, stamp.month, stamp.day) : 0;
    int64_t minutes = stamp.hour * 60 + stamp.minute - stamp.zoneMinutes;
    if (minutes < 0) {
        minutes += 1440;
        --days;
    } else if (minutes >= 1440) {
        minutes -= 1440;
        ++days;
    }
    int year = 2000, month = 1, day = 1;
    if (stamp.hasDate) CivilFromDays(days, year, month, day);
    std::string text = Two(static_cast<int>(minutes / 60)) + Two(static_cast<int>(minutes % 60)) + Two(stamp.second);
    // The library keeps the digits after the point as a whole number written
    // with at least two digits: hundredths survive as two digits, and
    // thousandths from 0.100 on as three; finer ones below that are rounded.
    int millis = stamp.millis;
    if (millis % 10 != 0 && millis < 100) millis = (millis + 5) / 10 * 10;
    if (millis >= 1000) millis = 990;
    if (millis > 0) {
        text += '.';
        if (millis % 10 == 0) {
            text += Two(millis / 10);
        } else {
            text += std::to_string(millis);
        }
    }
    text += ' ';
    text += Two(day) + Two(month);
    const std::string fourYear = std::to_string(year);
    text += std::string(fourYear.size() < 4 ? 4 - fourYear.size() : 0, '0') + fourYear;
    return text;
}

}  // namespace vezuved_cli
