// Writing time parts back as text. Each part is at most six characters
// ("-32768"), so every writer stays far inside kTimeTextCapacity.
#include <cstdint>

#include "convert/number_text.h"
#include "convert/time_text.h"

namespace vezuved {

namespace {

char* Pad(char* p, int16_t value, int width) { return p + PadNumber(value, p, width); }

char* Put(char* p, char c) {
    *p++ = c;
    *p = '\0';
    return p;
}

}  // namespace

void FormatCompactTime(const TimeParts& parts, char* out) {
    char* p = Pad(out, parts.hour, 2);
    p = Pad(p, parts.minute, 2);
    p = Pad(p, parts.second, 2);
    if (parts.fraction >= 1) Pad(Put(p, '.'), parts.fraction, 2);
}

void FormatClockTime(const TimeParts& parts, char* out, bool withFraction) {
    char* p = Pad(out, parts.hour, 2);
    p = Pad(Put(p, ':'), parts.minute, 2);
    p = Pad(Put(p, '.'), parts.second, 2);
    if (withFraction && parts.fraction >= 1) Pad(Put(p, '.'), parts.fraction, 2);
}

void FormatCompactDate(const TimeParts& parts, char* out) {
    char* p = Pad(out, parts.day, 2);
    p = Pad(p, parts.month, 2);
    Pad(p, parts.year, 4);
}

void FormatDate(char* out, const TimeParts& parts, uint32_t order, char separator) {
    out[0] = '\0';
    char* p = out;
    switch (order) {
        case 0:
            p = Pad(p, parts.day, 2);
            p = Pad(Put(p, separator), parts.month, 2);
            p = Put(p, separator);
            FormatInteger(parts.year, p, kTimeTextCapacity - static_cast<size_t>(p - out));
            break;
        case 1:
            p += FormatInteger(parts.year, p, kTimeTextCapacity);
            p = Pad(Put(p, separator), parts.month, 2);
            Pad(Put(p, separator), parts.day, 2);
            break;
        case 2:
            p = Pad(p, parts.month, 2);
            p = Pad(Put(p, separator), parts.day, 2);
            p = Put(p, separator);
            FormatInteger(parts.year, p, kTimeTextCapacity - static_cast<size_t>(p - out));
            break;
        default:
            break;  // no such order: the text stays empty
    }
}

}  // namespace vezuved
