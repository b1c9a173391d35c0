// A point's time field brought to the one stored form "HHMMSS[.ff] DDMMYYYY",
// whatever spelling the source text used.
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "convert/text_bounds.h"
#include "convert/time_text.h"

namespace vezuved {

namespace {

// A time with any of these characters is written with separators.
constexpr const char* kSeparators = ":-_+=/\\|~?";

// '102030. 5 24122004' -> '102030.5 24122004': some producers put a space
// after the seconds' point, which would otherwise be taken for the space
// before the date. Only done when a further space (the date's) follows.
void JoinSpacedFraction(char* field) {
    char* point = std::strchr(field, '.');
    if (point == nullptr || point[1] != ' ' || std::strchr(point + 2, ' ') == nullptr) return;
    std::memmove(point + 1, point + 2, std::strlen(point + 2) + 1);
}

}  // namespace

bool IsStoredTimeForm(const char* text) {
    for (int i = 0; i < 15; ++i) {
        if (i == 6 ? text[i] != ' ' : !IsAsciiDigit(text[i])) return false;
    }
    return text[15] == '\0';
}

void NormalizeTimeText(char* field, size_t fieldCapacity) {
    if (field == nullptr || fieldCapacity == 0) return;
    // Never read past the field, even if it arrives unterminated.
    if (std::memchr(field, '\0', fieldCapacity) == nullptr) field[fieldCapacity - 1] = '\0';
    // The stored form stops at the field's NUL: a field too small for it is never read past.
    if (field[0] == '\0' || IsStoredTimeForm(field)) return;

    TimeParts parts;
    if (std::strpbrk(field, kSeparators) != nullptr) {
        ParseSeparatedTime(field, parts);
    } else {
        JoinSpacedFraction(field);
        ParseCompactTime(field, parts);
    }

    char time[kTimeTextCapacity];
    char date[kTimeTextCapacity];
    FormatCompactTime(parts, time);
    FormatCompactDate(parts, date);

    // Parts wider than two digits (long runs, negative values) can make the
    // text longer than the field; it is then cut at the field's end, keeping
    // its head, the time, and as much of the date as fits.
    const size_t room = fieldCapacity - 1;
    size_t length = 0;
    for (const char* piece : {static_cast<const char*>(time), " ", static_cast<const char*>(date)}) {
        for (; *piece != '\0' && length < room; ++piece) field[length++] = *piece;
    }
    field[length] = '\0';
}

}  // namespace vezuved
