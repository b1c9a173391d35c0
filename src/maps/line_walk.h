// How the map writers walk a set: only its valid positions, each knowing
// whether it begins a new segment, and the facts a writer must know before
// it writes a line through them, found in one walk.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "sets/number_text.h"
#include "sets/points.h"

namespace vezuved::maps {

struct LineFacts {
    size_t valid = 0;     // points with a valid position
    size_t segments = 0;  // segments holding at least one valid position
    bool someElevations = false;
    bool someTimes = false;
    bool names = false;
    bool descriptions = false;
    bool symbols = false;
    bool someWithoutElevation = false;  // a valid position without one
    uint32_t extras = 0;                // the PointExtra values some point has, a bit each
};
LineFacts ScanLine(const PointSet& set);
std::vector<LineFacts> ScanLines(const std::vector<PointSet>& sets);

// A route's or track's points, a set of points (waypoints) otherwise.
bool IsLine(const PointSet& set);

// The elevation a document may carry: none when it is not a finite number,
// so no writer ever prints "inf" or "nan".
std::optional<double> WrittenElevation(const Point& point);

// Degrees in the shortest digits that read back as the same double, into
// out of kFixedTextSize; the text's length.
size_t WriteDegrees(double degrees, char* out);
// The point's elevation (WrittenElevation) in metres: where it was read as
// text in feet, the fewest decimals that give those feet back
// (WriteMetresOfFeet); the shortest digits of the double otherwise, so what
// was read in metres is written as it was. 0 when it has none.
size_t WriteMetres(const Point& point, char* out);

// The point's texts a document carries; empty when it has none.
std::string_view DescriptionOf(const Point& point);

// A point's time and position as the documents write them, built in a
// buffer of their own (a document writes many, and a string each would
// cost more than the writing).
class PointText {
public:
    // ISO 8601 UTC; empty when the point has no time.
    std::string_view Time(const Point& point);
    // "longitude<separator>latitude", then "<separator>elevation" where the
    // point has one, each as WriteDegrees and WriteMetres write it.
    std::string_view Position(const Point& point, char separator);

private:
    char text_[3 * kFixedTextSize + 2];
};

// Each valid position in order, with whether it begins a new segment: the
// break of a point left out passes to the next valid one, and the first
// valid position begins none. visit(point, startsSegment).
template <typename Visit>
void ForEachValidPoint(const PointSet& set, Visit&& visit) {
    bool pending = false;
    bool any = false;
    ForEachPoint(set, [&](const Point& point) {
        pending = pending || point.segmentStart;
        if (!HasValidPosition(point)) return;
        visit(point, any && pending);
        any = true;
        pending = false;
    });
}

// A stretch of a line written as one piece: a segment, or with
// byElevation a run of a segment whose points all have an elevation, or
// all have none.
struct LinePart {
    bool startsSegment = false;  // the line's first part begins none
    bool elevations = false;
    size_t first = 0;  // of the held points: the index where it begins
};

// Each part in turn: part(walk, linePart), where walk(visit) calls
// visit(point) for each valid position of that part, and may be called
// more than once. Held points are walked by their place in memory; points
// read again are walked whole once per part and call, and are parted by
// segment alone: a line parted by elevation is held first, or its runs
// would read the file again once each.
template <typename Part>
void ForEachPart(const PointSet& set, bool byElevation, Part&& part) {
    if (set.reread && byElevation) throw std::logic_error("a line parted by elevation is held first");
    // The parts, found in one walk (their first index only for held points).
    std::vector<LinePart> parts;
    ForEachValidPoint(set, [&](const Point& point, bool starts) {
        const bool elevations = WrittenElevation(point).has_value();
        if (parts.empty() || starts || (byElevation && elevations != parts.back().elevations)) {
            parts.push_back({starts, elevations, set.reread ? 0 : size_t(&point - set.points.data())});
        }
    });
    for (size_t p = 0; p < parts.size(); ++p) {
        if (set.reread) {
            part(
                [&](auto&& visit) {
                    size_t current = 0;
                    ForEachValidPoint(set, [&](const Point& point, bool starts) {
                        if (starts) ++current;
                        if (current == p) visit(point);
                    });
                },
                parts[p]);
            continue;
        }
        const size_t end = p + 1 < parts.size() ? parts[p + 1].first : set.points.size();
        part(
            [&](auto&& visit) {
                for (size_t i = parts[p].first; i < end; ++i) {
                    if (HasValidPosition(set.points[i])) visit(set.points[i]);
                }
            },
            parts[p]);
    }
}

}  // namespace vezuved::maps
