// A point's time in its several spellings, elapsed time and the clock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/time_parts.h"

namespace vezuved {

// Capacity every time and date writer below may fill, terminator included.
constexpr size_t kTimeTextCapacity = 64;

void ParseCompactTime(const char* text, TimeParts& parts);    // HHMMSS[.f][ DDMMYYYY]
void ParseCompactDate(const char* text, TimeParts& parts);    // DDMMYYYY, updates the date
void ParseSeparatedTime(const char* text, TimeParts& parts);  // 14:30:05, 7-5-3.25

// Writers: out must hold kTimeTextCapacity bytes; each writes a NUL.
void FormatCompactTime(const TimeParts& parts, char* out);
void FormatClockTime(const TimeParts& parts, char* out, bool withFraction);
void FormatCompactDate(const TimeParts& parts, char* out);
void FormatDate(char* out, const TimeParts& parts, uint32_t order, char separator);

// Whether text is in the stored form with every part as wide as it is
// written ("HHMMSS DDMMYYYY"): reading it and writing it back changes
// nothing, so it can be kept, or cut into its time and date, as it is.
bool IsStoredTimeForm(const char* text);

// Rewrites a point record's time field (capacity fieldCapacity, normally 32)
// into the stored form "HHMMSS DDMMYYYY"; an empty field stays empty. A
// result longer than the field is cut to fieldCapacity - 1 characters.
void NormalizeTimeText(char* field, size_t fieldCapacity);

double SecondsOfDay(const TimeParts& parts);
void ElapsedSeconds(double& out, const TimeParts& earlier, const TimeParts& later);

// Seconds since 1970-01-01 00:00 UTC.
int64_t CurrentTime();

}  // namespace vezuved
