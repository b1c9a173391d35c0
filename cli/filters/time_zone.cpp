#include "filters/time_zone.h"

#include <chrono>
#include <exception>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"

#if defined(VEZUVED_HAVE_DATE_TZ)
#include <date/tz.h>
#endif

namespace vezuved_cli {

bool HaveZoneNames() {
#if defined(VEZUVED_HAVE_DATE_TZ)
    return true;
#else
    return false;
#endif
}

TimeZone ParseTimeZone(const std::string& text) {
    TimeZone zone;
    if (text == "UTC" || text == "Z" || text == "utc") return zone;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        // The ISO time reader knows zone offsets: read one behind a fixed time.
        vezuved_iso_time moment{};
        if (vezuved_read_iso_time(("2000-01-01T00:00:00" + text).c_str(), &moment) != VEZUVED_OK ||
            !moment.has_zone) {
            FailUsage("--tz " + text +
                      ": say an offset from UTC such as +02:00 or -05:00, a zone such as "
                      "Europe/Ljubljana, or UTC");
        }
        zone.fixedMinutes = moment.zone_minutes;
        return zone;
    }
#if defined(VEZUVED_HAVE_DATE_TZ)
    try {
        date::locate_zone(text);
    } catch (const std::exception&) {
        FailUsage("--tz " + text +
                  ": no such zone in the system's zone database; say a zone such as "
                  "Europe/Ljubljana, an offset such as +02:00, or UTC");
    }
    zone.name = text;
    return zone;
#else
    FailUsage("--tz " + text + ": this build has no zone database; say an offset from UTC such as +02:00");
#endif
}

int32_t OffsetMinutesAt(const TimeZone& zone, int64_t utcMillis) {
    if (zone.name.empty()) return zone.fixedMinutes;
#if defined(VEZUVED_HAVE_DATE_TZ)
    const date::sys_seconds moment{
        std::chrono::seconds{utcMillis >= 0 ? utcMillis / 1000 : -((-utcMillis + 999) / 1000)}};
    const auto info = date::locate_zone(zone.name)->get_info(moment);
    return static_cast<int32_t>(info.offset.count() / 60);
#else
    (void)utcMillis;  // a name is refused when read: only offsets reach here
    return zone.fixedMinutes;
#endif
}

}  // namespace vezuved_cli
