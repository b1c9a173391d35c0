// The zone --tz names, whose local midnight --split day cuts at: a fixed
// offset from UTC, or a zone of the IANA database (Europe/Ljubljana) whose
// offset follows its daylight saving.
#pragma once

#include <cstdint>
#include <string>

namespace vezuved_cli {

struct TimeZone {
    int32_t fixedMinutes = 0;  // east of UTC, when name is empty
    std::string name;          // an IANA zone; empty for a fixed offset
};

// "+02:00", "-0530", "UTC", "Z" or an IANA zone name; a usage error that
// says what it takes otherwise, and for a name in a build without the zone
// database.
TimeZone ParseTimeZone(const std::string& text);

// The zone's offset east of UTC, in minutes, at a moment (UTC milliseconds).
int32_t OffsetMinutesAt(const TimeZone& zone, int64_t utcMillis);

// Whether this build reads IANA zone names (the Windows cross build does not).
bool HaveZoneNames();

}  // namespace vezuved_cli
