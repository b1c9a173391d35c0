// How the map writers walk a set: only its valid positions, each knowing
// whether it begins a new segment, and the facts a writer must know before
// it writes a line through them, found in one walk.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "sets/number_text.h"
#include "sets/points.h"

namespace vezuved::maps {

struct LineFacts {
    size_t count = 0;     // every point, those without a valid position included
    size_t valid = 0;     // points with a valid position
    size_t segments = 0;  // segments holding at least one valid position
    bool someElevations = false;
    bool someTimes = false;
    bool names = false;
    bool descriptions = false;
    bool symbols = false;
};
LineFacts ScanLine(const PointSet& set);
std::vector<LineFacts> ScanLines(const std::vector<PointSet>& sets);

// A route's or track's points, a set of points (waypoints) otherwise.
bool IsLine(const PointSet& set);

// The elevation a document may carry: none when it is not a finite number,
// so no writer ever prints "inf" or "nan".
std::optional<double> WrittenElevation(const Point& point);

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
    // point has one: 7 decimals of degrees, 2 of metres.
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

// Each segment in turn: segment(walk), where walk(visit) calls
// visit(point) for each valid position of that segment, and may be called
// more than once. Held points are walked by their place in memory; points
// read again are walked whole once per segment and call.
template <typename Segment>
void ForEachSegment(const PointSet& set, size_t segments, Segment&& segment) {
    if (set.reread) {
        for (size_t wanted = 0; wanted < segments; ++wanted) {
            segment([&](auto&& visit) {
                size_t current = 0;
                ForEachValidPoint(set, [&](const Point& point, bool starts) {
                    if (starts) ++current;
                    if (current == wanted) visit(point);
                });
            });
        }
        return;
    }
    // The bounds of each segment in the held points, found in one walk.
    std::vector<size_t> starts;
    bool pending = false;
    for (size_t i = 0; i < set.points.size(); ++i) {
        const Point& point = set.points[i];
        pending = pending || point.segmentStart;
        if (!HasValidPosition(point)) continue;
        if (starts.empty() || pending) starts.push_back(i);
        pending = false;
    }
    for (size_t s = 0; s < starts.size(); ++s) {
        const size_t end = s + 1 < starts.size() ? starts[s + 1] : set.points.size();
        segment([&](auto&& visit) {
            for (size_t i = starts[s]; i < end; ++i) {
                if (HasValidPosition(set.points[i])) visit(set.points[i]);
            }
        });
    }
}

}  // namespace vezuved::maps
