// Number text written as the C library's "%.7f" and "%ld" would in the C
// locale, without the locale lookup or format-string parsing.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "convert/number_text.h"

namespace vezuved {

namespace {

// Sign, 309 integer digits of the largest double, point and seven decimals.
constexpr size_t kFixed7Max = 1 + 309 + 1 + 7;
constexpr size_t kInt64Max = 20;  // "-9223372036854775808"

size_t CopyCut(const char* text, size_t length, char* out, size_t capacity) {
    if (capacity == 0) return 0;
    if (length > capacity - 1) length = capacity - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return length;
}

}  // namespace

size_t FormatFixed7(double value, char* out, size_t capacity) {
    if (capacity == 0) return 0;
    // Straight into the caller's buffer when it fits, which is the usual case.
    std::to_chars_result result = std::to_chars(out, out + capacity - 1, value, std::chars_format::fixed, 7);
    if (result.ec == std::errc{}) {
        *result.ptr = '\0';
        return static_cast<size_t>(result.ptr - out);
    }
    char text[kFixed7Max];
    result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 7);
    return CopyCut(text, static_cast<size_t>(result.ptr - text), out, capacity);
}

size_t FormatInteger(int64_t value, char* out, size_t capacity) {
    char text[kInt64Max];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return CopyCut(text, static_cast<size_t>(result.ptr - text), out, capacity);
}

size_t PadNumber(int32_t value, char* out, int width) {
    // The two-digit parts of times and dates, nearly every call: no general
    // conversion needed.
    if (width == 2 && value >= 0 && value < 100) {
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        out[2] = '\0';
        return 2;
    }
    // The magnitude in unsigned arithmetic, so INT32_MIN needs no special case.
    const uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, magnitude);
    const size_t count = static_cast<size_t>(result.ptr - digits);
    char* p = out;
    if (value < 0) *p++ = '-';
    if (width > 0 && static_cast<size_t>(width) > count) {
        const size_t zeros = static_cast<size_t>(width) - count;
        std::memset(p, '0', zeros);
        p += zeros;
    }
    std::memcpy(p, digits, count);
    p += count;
    *p = '\0';
    return static_cast<size_t>(p - out);
}

}  // namespace vezuved
