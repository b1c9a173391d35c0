// IGC, the flight recorder format of gliders and paragliders (the
// FAI's standard for them, appendix A). What is read:
//
//   record  columns                               becomes
//   HFDTE   DDMMYY, or DATE:DDMMYY,NN             the date of the first fix
//   B       HHMMSS DDMMmmm[NS] DDDMMmmm[EW] V     a track point: UTC time,
//           PPPPP GGGGG (pressure, GNSS metres)   position and altitude
//   C       a declaration: dates and counts       a task, named by its text
//   C       DDMMmmm[NS] DDDMMmmm[EW] text         a point of the task, named
//
// The altitude is the GNSS receiver's when any fix has one, else the
// pressure altitude, and a warning says which. A fix whose time is before
// the last one's crossed midnight: it is on the next day. Every other
// record (A, I, J, E, F, G, K, L) is passed over; a B record that cannot
// be read is left out with its line named. A task point at 0°, 0° is the
// declaration's place holder for an unknown place, and is left out.
#include <istream>
#include <string>
#include <utility>
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "sets/calendar.h"
#include "sets/encoding.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

constexpr int64_t kMillisPerDay = 86400000;

// Whether text[at, at + count) is all digits.
bool AllDigits(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) return false;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

// The digits of text[at, at + count) as a number (count at most 9); -1 when
// any is no digit.
int64_t Digits(const std::string& text, size_t at, size_t count) {
    if (count > 9 || at + count > text.size()) return -1;
    int64_t value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// DDMMmmm and a hemisphere letter (degrees digits wide) as signed degrees.
// A name as the file wrote it: IGC is ASCII, and bytes beyond it that are
// no UTF-8 are read as Windows-1252, as instruments of Western Europe write them.
std::string NameText(std::string_view text) {
    text = TrimWhite(text);
    return FindInvalidUtf8(text) == std::string::npos ? std::string(text) : Cp1252ToUtf8(text);
}

std::optional<double> Angle(
    const std::string& text, size_t at, size_t degrees, char positive, char negative) {
    const int64_t whole = Digits(text, at, degrees);
    const int64_t thousandths = Digits(text, at + degrees, 5);  // minutes and their thousandths
    if (whole < 0 || thousandths < 0 || thousandths >= 60000 || at + degrees + 5 >= text.size())
        return std::nullopt;
    const char side = text[at + degrees + 5];
    if (side != positive && side != negative) return std::nullopt;
    const double value = static_cast<double>(whole) + static_cast<double>(thousandths) / 60000.0;
    if (value > (degrees == 2 ? 90.0 : 180.0)) return std::nullopt;
    return side == negative ? -value : value;
}

// A signed altitude of five columns ("01234", "-0012"); none when unreadable.
std::optional<double> Altitude(const std::string& text, size_t at) {
    if (at + 5 > text.size()) return std::nullopt;
    const bool negative = text[at] == '-';
    const int64_t value = Digits(text, at + (negative ? 1 : 0), negative ? 4 : 5);
    if (value < 0) return std::nullopt;
    return static_cast<double>(negative ? -value : value);
}

// The day of HFDTE, in either form, as UTC milliseconds of its midnight.
std::optional<int64_t> FlightDate(const std::string& line) {
    size_t at = 5;
    if (line.compare(at, 5, "DATE:") == 0) at += 5;
    const std::optional<int64_t> days = DaysOfShortDate(std::string_view(line).substr(at, 6));
    if (!days) return std::nullopt;
    return *days * kMillisPerDay;
}

struct Fix {
    Point point;
    std::optional<double> pressure, gnss;
};

}  // namespace

std::vector<PointSet> ReadIgcSets(MapSource& source, bool strict, MapWarnings& warnings) {
    const std::string& what = source.what();
    std::istream& file = source.Stream();
    SetCollector sets(what, strict, warnings);
    std::optional<int64_t> date;
    std::vector<Fix> fixes;
    // Each declaration (a C record of dates and counts) begins a task.
    std::vector<std::pair<std::string, std::vector<Point>>> tasks;
    size_t placeHolders = 0, lineNumber = 0;
    int64_t dayOffset = 0, lastSecond = -1;
    std::string line;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 5, "HFDTE") == 0 && !date) {
            date = FlightDate(line);
            if (!date) sets.Warn(lineNumber, "the date '" + line.substr(5) + "' cannot be read");
        } else if (line[0] == 'B') {
            const int64_t hours = Digits(line, 1, 2), minutes = Digits(line, 3, 2),
                          seconds = Digits(line, 5, 2);
            const std::optional<double> latitude = Angle(line, 7, 2, 'N', 'S');
            const std::optional<double> longitude = Angle(line, 15, 3, 'E', 'W');
            if (line.size() < 35 || hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 ||
                seconds > 59 || !latitude || !longitude) {
                sets.Refuse(
                    lineNumber, "fix " + std::to_string(fixes.size() + 1), "'" + line + "' is no B record");
                continue;
            }
            const int64_t second = hours * 3600 + minutes * 60 + seconds;
            if (lastSecond >= 0 && second < lastSecond) dayOffset += kMillisPerDay;  // past midnight
            lastSecond = second;
            Fix fix;
            fix.point.latitude = *latitude;
            fix.point.longitude = *longitude;
            if (date) fix.point.time = *date + dayOffset + second * 1000;
            fix.pressure = Altitude(line, 25);
            fix.gnss = Altitude(line, 30);
            sets.CheckRoom(fixes.size() + 1);
            fixes.push_back(std::move(fix));
        } else if (line[0] == 'C' && line.size() >= 18 && (line[8] == 'N' || line[8] == 'S') &&
                   (line[17] == 'E' || line[17] == 'W')) {
            const std::optional<double> latitude = Angle(line, 1, 2, 'N', 'S');
            const std::optional<double> longitude = Angle(line, 9, 3, 'E', 'W');
            if (!latitude || !longitude) {
                sets.Warn(lineNumber, "the task point '" + line + "' cannot be read; it is left out");
                continue;
            }
            if (*latitude == 0 && *longitude == 0) {
                ++placeHolders;
                continue;
            }
            Point point;
            point.latitude = *latitude;
            point.longitude = *longitude;
            point.name = NameText(std::string_view(line).substr(18));
            if (tasks.empty()) tasks.emplace_back("task", std::vector<Point>());
            tasks.back().second.push_back(std::move(point));
        } else if (line[0] == 'C' && AllDigits(line, 1, 24)) {
            // DDMMYYHHMMSS DDMMYY NNNN TT, then the task's name, if any.
            const std::string name = NameText(std::string_view(line).substr(25));
            tasks.emplace_back(name.empty() ? "task " + std::to_string(tasks.size() + 1) : name,
                               std::vector<Point>());
        }
    }
    if (!date && !fixes.empty())
        sets.Warn(0, "no HFDTE record gives the flight's date; its fixes have no time");
    if (placeHolders > 0) {
        sets.Warn(0,
                  std::to_string(placeHolders) +
                      " task point(s) at 0 degrees, 0 degrees (places not declared) left out");
    }

    // The GNSS altitude when the recorder gave any, else the pressure altitude.
    bool anyGnss = false, anyPressure = false;
    for (const Fix& fix : fixes) {
        anyGnss = anyGnss || (fix.gnss && *fix.gnss != 0);
        anyPressure = anyPressure || (fix.pressure && *fix.pressure != 0);
    }
    if (anyGnss && anyPressure) {
        sets.Warn(0, "elevations are the GNSS altitudes; the pressure altitudes are not kept");
    } else if (anyPressure) {
        sets.Warn(0, "elevations are the pressure altitudes: the recorder gave no GNSS altitude");
    }
    if (!fixes.empty()) {
        // Named by its day, as recorders name their files.
        const std::string day =
            fixes.front().point.time ? FormatIsoTime(*fixes.front().point.time).substr(0, 10) : "";
        sets.BeginLine(VEZUVED_KIND_TRACK, day.empty() ? "flight" : "flight " + day);
        for (Fix& fix : fixes) {
            const std::optional<double>& altitude = anyGnss ? fix.gnss : fix.pressure;
            if ((anyGnss || anyPressure) && altitude) SetElevation(fix.point, *altitude);
            sets.AddLinePoint(std::move(fix.point));
        }
    }
    for (auto& [name, points] : tasks) {
        if (points.empty()) continue;
        sets.BeginLine(VEZUVED_KIND_ROUTE, name);
        for (Point& point : points) sets.AddLinePoint(std::move(point));
    }
    return sets.Finish();
}

}  // namespace vezuved::maps
