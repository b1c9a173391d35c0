// Decimal and integer reading with the grammar of strtod/strtol in the C
// locale, but without their locale lookups: the host may have ',' as its
// decimal point, and these run for every value of every line.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "convert/number_text.h"
#include "convert/text_bounds.h"

namespace vezuved {

namespace {

constexpr size_t kUnbounded = SIZE_MAX;

// Characters of text at index i, or '\0' past the limit. Callers only step
// forward one matched character at a time, so nothing past a terminator is read.
struct BoundedText {
    const char* text;
    size_t limit;
    char At(size_t i) const { return i < limit ? text[i] : '\0'; }
};

// from_chars reports overflow and underflow alike; strtod gives HUGE_VAL for
// the one and 0 for the other. The pattern [first, last) is known to be
// digits, an optional point and an optional exponent.
double OutOfRangeValue(const char* first, const char* last) {
    int64_t position = 0;  // power of ten of the leading significant digit, plus one
    bool seenPoint = false;
    bool seenSignificant = false;
    const char* p = first;
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (!seenSignificant) {
            if (*p != '0') {
                seenSignificant = true;
                if (!seenPoint) ++position;
            } else if (seenPoint) {
                --position;
            }
        } else if (!seenPoint) {
            ++position;
        }
    }
    if (p != last) {
        ++p;
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        int64_t exponent = 0;
        for (; p != last; ++p) {
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        }
        position += negative ? -exponent : exponent;
    }
    return position > 0 ? HUGE_VAL : 0.0;
}

double ReadDecimalBounded(const char* text, size_t limit, const char** end) {
    if (end != nullptr) *end = text;
    if (text == nullptr) return 0.0;
    const BoundedText in{text, limit};
    size_t i = 0;
    while (IsAsciiSpace(in.At(i))) ++i;
    bool negative = false;
    if (in.At(i) == '+' || in.At(i) == '-') negative = in.At(i++) == '-';
    const size_t numberStart = i;
    size_t digits = 0;
    size_t fractionDigits = 0;
    uint64_t mantissa = 0;  // exact while digits <= 15
    for (; IsAsciiDigit(in.At(i)); ++i, ++digits) mantissa = mantissa * 10 + (in.At(i) - '0');
    if (in.At(i) == '.') {
        for (++i; IsAsciiDigit(in.At(i)); ++i, ++digits, ++fractionDigits) {
            mantissa = mantissa * 10 + (in.At(i) - '0');
        }
    }
    if (digits == 0) return 0.0;  // also keeps inf, nan and hex out
    bool exponent = false;
    if (in.At(i) == 'e' || in.At(i) == 'E') {
        size_t j = i + 1;
        if (in.At(j) == '+' || in.At(j) == '-') ++j;
        if (IsAsciiDigit(in.At(j))) {
            while (IsAsciiDigit(in.At(j))) ++j;
            i = j;
            exponent = true;
        }
    }
    // Up to 15 digits the mantissa and the power of ten are exact doubles,
    // so one division rounds as from_chars does: the same value, cheaper.
    static constexpr double kPowers[] = {
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (!exponent && digits <= 15) {
        if (end != nullptr) *end = text + i;
        const double value = static_cast<double>(mantissa) / kPowers[fractionDigits];
        return negative ? -value : value;
    }
    const char* first = text + numberStart;
    const char* last = text + i;
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) value = OutOfRangeValue(first, last);
    if (end != nullptr) *end = last;
    return negative ? -value : value;
}

int32_t ReadIntegerBounded(const char* text, size_t limit, const char** end) {
    if (end != nullptr) *end = text;
    if (text == nullptr) return 0;
    const BoundedText in{text, limit};
    size_t i = 0;
    while (IsAsciiSpace(in.At(i))) ++i;
    bool negative = false;
    if (in.At(i) == '+' || in.At(i) == '-') negative = in.At(i++) == '-';
    if (!IsAsciiDigit(in.At(i))) return 0;
    // Magnitude held in 64 bits and capped just past the 32-bit range.
    constexpr int64_t kCap = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; IsAsciiDigit(in.At(i)); ++i) {
        if (magnitude < kCap) magnitude = magnitude * 10 + (in.At(i) - '0');
    }
    if (end != nullptr) *end = text + i;
    if (negative) return static_cast<int32_t>(-(magnitude < kCap ? magnitude : kCap));
    return static_cast<int32_t>(magnitude < INT32_MAX ? magnitude : INT32_MAX);
}

}  // namespace

double ReadDecimal(const char* text, const char** end) { return ReadDecimalBounded(text, kUnbounded, end); }

int32_t ReadInteger(const char* text, const char** end) { return ReadIntegerBounded(text, kUnbounded, end); }

int32_t ReadIntegerN(const char* text, size_t count) { return ReadIntegerBounded(text, count, nullptr); }

double ReadDecimalN(const char* text, size_t count) { return ReadDecimalBounded(text, count, nullptr); }

}  // namespace vezuved
