// ISO 8601 dates and times, as spreadsheets and loggers write them, turned
// into the forms the library's time column reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vezuved::maps {

struct IsoStamp {
    bool hasDate = false;
    bool hasTime = false;
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millis = 0;
    bool hasZone = false;
    int zoneMinutes = 0;  // east of UTC
};

// "2021-08-14", "2021-08-14T10:15:00+02:00", "2021-08-14 10:15:00.25Z",
// "10:15", "10:15:00-0500"; none for anything else or a value out of range.
// A fraction finer than a millisecond is rounded to the nearest one.
std::optional<IsoStamp> ParseIsoStamp(std::string_view text);

// The stamp as UTC milliseconds since 1970, on its date (2000-01-01 when it
// names none).
int64_t StampMillis(const IsoStamp& stamp);

// A date with or without its time, as UTC milliseconds since 1970 (no
// zone: UTC); none for anything else.
std::optional<int64_t> ParseIsoTime(std::string_view text);

// The moment a text's time and date columns make read as ISO 8601 (none
// for a column the text has not): a time with its date, a time joined to
// the date column's date, a time with its zone when there is no date
// column, or the date column alone; none when they make no such moment.
std::optional<IsoStamp> IsoMoment(std::optional<std::string_view> time, std::optional<std::string_view> date);

// A date taken from one stamp and a time (with its zone) from another.
IsoStamp JoinStamps(const IsoStamp& date, const IsoStamp& time);

// The stamp in UTC as the library's time column holds it (FormatRecordTime).
// A stamp without a date keeps the library's 01012000.
std::string LibraryTimeText(const IsoStamp& stamp);

}  // namespace vezuved::maps
