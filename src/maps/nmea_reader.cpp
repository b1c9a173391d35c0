// NMEA 0183, the sentences a GPS receiver or logger speaks, from any
// talker (GP, GN, GL, GA, BD, ...). What is read:
//
//   sentence  fields used                                  becomes
//   RMC       1 time, 2 status (A), 3-6 position, 9 date   a fix and its date
//   GGA       1 time, 2-5 position, 6 quality (not 0),     a fix and its altitude
//             9 altitude above mean sea level
//
// Sentences of one time are one point: its position (GGA's where both
// give one), GGA's altitude and RMC's date. A fix before the first date is
// dated by it (the day of the first RMC, or the day before when its time
// of day is later); a time of day that goes back without a new date is the
// next day. A sentence whose checksum is wrong, that reports no fix, or a
// line that is not NMEA, is passed over and counted, each kind said once.
#include <istream>
#include <string>
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "sets/calendar.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

constexpr int64_t kMillisPerDay = 86400000;

std::vector<std::string> Fields(const std::string& body) {
    std::vector<std::string> fields(1);
    for (const char c : body) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The digits of text as a number, at most 9 of them; -1 otherwise.
int64_t Number(const std::string& text) {
    if (text.empty() || text.size() > 9) return -1;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "hhmmss" with any fraction of a second, as milliseconds of the day.
std::optional<int64_t> TimeOfDay(const std::string& text) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    if (whole.size() != 6) return std::nullopt;
    const int64_t hours = Number(whole.substr(0, 2)), minutes = Number(whole.substr(2, 2)),
                  seconds = Number(whole.substr(4, 2));
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 60)
        return std::nullopt;
    int64_t millis = 0;
    if (dot != std::string::npos) {
        const std::string fraction = (text.substr(dot + 1) + "000").substr(0, 3);
        millis = Number(fraction);
        if (millis < 0) return std::nullopt;
    }
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
}

// "ddmm.mmmm" (degrees digits wide) and its hemisphere as signed degrees.
std::optional<double> Angle(const std::string& text, const std::string& side, size_t degrees, char negative) {
    if (text.size() < degrees + 2 || side.size() != 1) return std::nullopt;
    const int64_t whole = Number(text.substr(0, degrees));
    const std::optional<double> minutes = ParseNumber(text.substr(degrees));
    if (whole < 0 || !minutes || *minutes < 0 || *minutes >= 60) return std::nullopt;
    const double value = static_cast<double>(whole) + *minutes / 60.0;
    if (value > (degrees == 2 ? 90.0 : 180.0)) return std::nullopt;
    const char positive = negative == 'S' ? 'N' : 'E';
    if (side[0] != positive && side[0] != negative) return std::nullopt;
    return side[0] == negative ? -value : value;
}

struct Fix {
    int64_t timeOfDay = 0;
    std::optional<int64_t> day;  // from RMC
    Point point;
    bool fromGga = false;
};

}  // namespace

std::vector<PointSet> ReadNmeaSets(MapSource& source, bool strict, MapWarnings& warnings) {
    const std::string& what = source.what();
    std::istream& file = source.Stream();
    SetCollector sets(what, strict, warnings);
    std::vector<Fix> fixes;
    size_t wrongSums = 0, noFix = 0, notNmea = 0, unreadable = 0;
    std::string line;
    while (std::getline(file, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
            line.pop_back();
        if (line.empty()) continue;
        if (line[0] != '$' && line[0] != '!') {
            ++notNmea;
            continue;
        }
        std::string body = line.substr(1);
        const size_t star = body.rfind('*');
        if (star != std::string::npos) {
            int sum = 0;
            for (size_t i = 0; i < star; ++i) sum ^= static_cast<unsigned char>(body[i]);
            const std::string given = body.substr(star + 1);
            if (given.size() != 2 || HexValue(given[0]) < 0 || HexValue(given[1]) < 0 ||
                HexValue(given[0]) * 16 + HexValue(given[1]) != sum) {
                ++wrongSums;
                continue;
            }
            body.erase(star);
        }
        const std::vector<std::string> f = Fields(body);
        if (f[0].size() != 5) continue;  // a proprietary or other sentence
        const std::string type = f[0].substr(2);
        const bool rmc = type == "RMC", gga = type == "GGA";
        if (!rmc && !gga) continue;
        if (f.size() < 10) {  // both hold ten fields at least
            ++unreadable;
            continue;
        }
        if ((rmc && f[2] != "A") || (gga && (f[6].empty() || f[6] == "0"))) {
            ++noFix;
            continue;
        }
        const std::optional<int64_t> time = TimeOfDay(f[1]);
        const size_t at = rmc ? 3 : 2;
        const std::optional<double> latitude = Angle(f[at], f[at + 1], 2, 'S');
        const std::optional<double> longitude = Angle(f[at + 2], f[at + 3], 3, 'W');
        const std::optional<int64_t> day = rmc ? DaysOfShortDate(f[9]) : std::nullopt;
        if (!time || !latitude || !longitude || (rmc && !day)) {
            ++unreadable;
            continue;
        }
        // Sentences of the time of the point before are more of that point.
        if (fixes.empty() || fixes.back().timeOfDay != *time) {
            sets.CheckRoom(fixes.size() + 1);
            fixes.emplace_back();
            fixes.back().timeOfDay = *time;
        }
        Fix& fix = fixes.back();
        // GGA's position stands over RMC's, whichever came first.
        if (gga || !fix.fromGga) {
            fix.point.latitude = *latitude;
            fix.point.longitude = *longitude;
        }
        if (rmc) fix.day = day;
        if (gga) {
            fix.fromGga = true;
            std::string problem;
            const std::optional<double> metres =
                f[9].empty() ? std::nullopt : ReadPointValue(PointValue::Elevation, f[9], problem);
            if (metres) SetElevation(fix.point, *metres);
        }
    }
    const std::pair<size_t, const char*> passed[] = {
        {wrongSums, " sentence(s) with a wrong checksum"},
        {noFix, " sentence(s) reporting no fix"},
        {unreadable, " RMC or GGA sentence(s) that cannot be read"},
        {notNmea, " line(s) that are not NMEA"},
    };
    for (const auto& [count, words] : passed) {
        if (count > 0) sets.Warn(0, std::to_string(count) + words + " passed over");
    }

    // Each fix dated: by its own RMC, the last date before it (a day more
    // when its time went back), or, before the first, by the first.
    std::optional<int64_t> firstDay;
    int64_t firstTime = 0;
    for (const Fix& fix : fixes) {
        if (fix.day) {
            firstDay = fix.day;
            firstTime = fix.timeOfDay;
            break;
        }
    }
    if (!firstDay && !fixes.empty()) sets.Warn(0, "no RMC sentence gives a date; the points have no time");
    std::optional<int64_t> day;
    int64_t lastTime = -1;
    for (Fix& fix : fixes) {
        if (fix.day) {
            day = fix.day;
        } else if (day && fix.timeOfDay < lastTime) {
            *day += 1;
        } else if (!day && firstDay) {
            fix.point.time =
                (*firstDay - (fix.timeOfDay > firstTime ? 1 : 0)) * kMillisPerDay + fix.timeOfDay;
        }
        if (day) fix.point.time = *day * kMillisPerDay + fix.timeOfDay;
        lastTime = fix.timeOfDay;
    }
    if (!fixes.empty()) {
        sets.BeginLine(VEZUVED_KIND_TRACK, "track");
        for (Fix& fix : fixes) sets.AddLinePoint(std::move(fix.point));
    }
    return sets.Finish();
}

}  // namespace vezuved::maps
