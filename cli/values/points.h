// The points and sets the tool lists and changes: each point a copy of
// what the library's core read (vezuved_get_point), held while a command
// filters or lists it; a set the tool leaves as it was is never copied
// into these (conversion/records.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <vezuved/vezuved.h>

struct vezuved_collection;

namespace vezuved_cli {

struct Point {
    std::string name;
    std::string icon;  // the symbol
    std::optional<std::string> description;
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<double> elevationMetres;
    std::optional<double> elevationFeet;  // the same height, in feet as a text or database wrote it
    std::optional<int64_t> time;          // UTC milliseconds since 1970
    bool segmentStart = false;            // a new segment of its route or track begins here
    // Where the core holds the point as it was read, so what the tool has no
    // field for (a heart rate, a GPX hdop) is written again from there; none
    // for a point the tool made. It keeps that collection.
    std::shared_ptr<const vezuved_collection> origin;
    int32_t originSet = 0;
    int64_t originIndex = -1;
};

struct PointSet {
    std::string title;
    int32_t kind = VEZUVED_KIND_POINT;  // a VEZUVED_KIND_* code
    std::vector<Point> points;
    // The set as the core read it, for its texts (a track's description).
    std::shared_ptr<const vezuved_collection> origin;
    int32_t originSet = 0;
};

// A route or a track, not waypoints.
inline bool IsLine(const PointSet& set) {
    return set.kind == VEZUVED_KIND_TRACK || set.kind == VEZUVED_KIND_ROUTE;
}

// The point's elevation in metres, from its feet when that is what it holds.
inline std::optional<double> ElevationMetres(const Point& point) {
    if (point.elevationMetres) return point.elevationMetres;
    if (point.elevationFeet) return *point.elevationFeet * 0.3048;
    return std::nullopt;
}

// The point's time in ISO 8601 UTC ("2021-08-14T08:15:00Z"); empty when it
// has none.
std::string IsoTime(const Point& point);

}  // namespace vezuved_cli
