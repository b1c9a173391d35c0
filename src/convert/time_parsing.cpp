// Reading a point's time text into its parts. Parts are stored as 16-bit
// values the way an int assignment to a short stores them (modulo 2^16):
// only digit runs of five or more characters get there.
#include <cstddef>
#include <cstdint>

#include "convert/number_text.h"
#include "convert/text_bounds.h"
#include "convert/time_text.h"

namespace vezuved {

namespace {

int16_t Part(int32_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value)); }

void SetDefaultDate(TimeParts& parts) {
    parts.day = 1;
    parts.month = 1;
    parts.year = 2000;
}

// ReadIntegerN for the fields of a compact time, which are nearly always
// plain digits: those are added up here; anything else (spaces, a sign) goes
// to the general reader. count is at most 8, so no saturation can arise.
int32_t ReadDigits(const char* text, size_t count) {
    if (!IsAsciiDigit(text[0])) return ReadIntegerN(text, count);
    int32_t value = 0;
    for (size_t i = 0; i < count && IsAsciiDigit(text[i]); ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// The run of decimal digits at *p as an integer (0 when empty); *p moves past it.
int16_t TakeDigitRun(const char*& p) {
    const char* first = p;
    while (IsAsciiDigit(*p)) ++p;
    return Part(ReadIntegerN(first, static_cast<size_t>(p - first)));
}

}  // namespace

void ParseCompactTime(const char* text, TimeParts& parts) {
    parts = TimeParts{};
    if (text == nullptr) text = "";
    if (HasAtLeast(text, 2)) parts.hour = Part(ReadDigits(text, 2));
    if (HasAtLeast(text, 4)) parts.minute = Part(ReadDigits(text + 2, 2));
    if (HasAtLeast(text, 6)) parts.second = Part(ReadDigits(text + 4, 2));
    if (HasAtLeast(text, 8) && text[6] == '.') parts.fraction = Part(ReadInteger(text + 7));
    SetDefaultDate(parts);
    // A space past a comma belongs to another column, not to this date.
    if (const char* space = FindBeforeComma(text, ' ')) ParseCompactDate(space + 1, parts);
}

void ParseCompactDate(const char* text, TimeParts& parts) {
    if (text == nullptr) text = "";
    parts.day = HasAtLeast(text, 2) ? Part(ReadDigits(text, 2)) : int16_t{1};
    parts.month = HasAtLeast(text, 4) ? Part(ReadDigits(text + 2, 2)) : int16_t{1};
    parts.year = HasAtLeast(text, 5) ? Part(ReadDigits(text + 4, 8)) : int16_t{2000};
}

void ParseSeparatedTime(const char* text, TimeParts& parts) {
    parts = TimeParts{};
    const char* p = text == nullptr ? "" : text;
    parts.hour = TakeDigitRun(p);
    // Any single character separates the parts.
    if (*p != '\0') {
        ++p;
        parts.minute = TakeDigitRun(p);
        if (*p != '\0') {
            ++p;
            parts.second = TakeDigitRun(p);
            if (*p == '.') parts.fraction = Part(ReadInteger(p + 1));
        }
    }
    SetDefaultDate(parts);
}

}  // namespace vezuved
