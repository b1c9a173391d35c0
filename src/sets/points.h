// The tool's view of a set of points: texts in UTF-8 and the numbers read
// from them, whatever file they came from, kept apart from the library's
// record layout so the readers and writers can be tested on their own. A
// point is kept small: large tracks are held whole between reading and
// writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sets/optional_number.h"
#include "sets/point_extras.h"
#include "vezuved/vezuved.h"

namespace vezuved::maps {

struct Point {
    std::string name;
    std::string icon;
    std::optional<std::string> description;
    OptionalDouble latitude;
    OptionalDouble longitude;
    // What GPX, GeoJSON and KML carry: metres by the exact foot of 0.3048 m,
    // so a value written in metres comes back as it went out.
    OptionalDouble elevationMetres;
    // What a record holds and a listing shows: feet.
    OptionalDouble elevationFeet;
    // UTC, milliseconds since 1970-01-01; none when the point has no valid time.
    std::optional<int64_t> time;
    // A new segment of its route or track begins at this point (a GPX
    // <trkseg>, a line of a MultiLineString, a gx:Track of a gx:MultiTrack).
    // Never set on a set's first point, so a set of one segment has none.
    bool segmentStart = false;
    // The decimals elevationFeet was written with where it was read as text
    // (a record, a text in feet), so it is written again as it was: "1829"
    // stays "1829", not "1829.0000000". -1: none, or a form not kept.
    int8_t feetDecimals = -1;
    // What else the file said of the point (heart rate, hdop, ...); none
    // for most points.
    SharedExtras extras;
};

struct PointSet {
    std::string title;                  // names the route or track in GPX and GeoJSON
    int32_t kind = VEZUVED_KIND_POINT;  // a VEZUVED_KIND_* code
    std::vector<Point> points;
    SetExtras extras;  // a line's description, comment, type; a file's metadata
    // Set for a set too large to hold: each call reads the points again, in
    // order, and hands each to the visitor; points stays empty.
    std::function<void(const std::function<void(const Point&)>&)> reread;
};

// Each point of the set in order, from memory or read again.
template <typename Visit>
void ForEachPoint(const PointSet& set, Visit&& visit) {
    if (set.reread) {
        set.reread(visit);
        return;
    }
    for (const Point& point : set.points) visit(point);
}

// A point from the record's 8-bit texts; description null when it has none.
Point MakePoint(const char* name,
                const char* latitude,
                const char* longitude,
                const char* elevation,
                const char* time,
                const char* icon,
                const char* description);

// A point's time as ISO 8601 UTC ("2021-08-14T08:15:00Z", with ".250"
// when it has a fraction of a second); empty when it has none.
std::string IsoTime(const Point& point);

// The one rule for what every output takes, a database as a map: a point
// with a latitude in -90..90, a longitude in -180..180, and no elevation or
// one within kMostElevationMetres of sea level. The bound is the edge of
// space (100 km): higher than any balloon log, and far from values such as
// 1e300 m that are no elevation at all and no record could hold as feet.
constexpr double kMostElevationMetres = 100000.0;
bool HasValidPosition(const Point& point);
// An elevation the rule takes: finite and within kMostElevationMetres.
bool IsSaneElevation(double metres);
// Why the rule refuses the point, with the value: "latitude 91 is outside
// -90..90", "no longitude", "elevation 1e+300 m is beyond 100000 m";
// empty when it takes the point.
std::string PointFault(const Point& point);

// Longitude in [-180, 180), the range GPX allows (180 and -180 are one meridian).
double NormalizedLongitude(double longitude);

}  // namespace vezuved::maps
