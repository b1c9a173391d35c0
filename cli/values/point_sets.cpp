#include "values/point_sets.h"

#include <iterator>
#include <ostream>

#include "files/failure.h"
#include "values/numbers.h"

namespace vezuved_cli {

std::string IsoTime(const Point& point) { return point.time ? IsoTimeText(*point.time) : std::string(); }

size_t SegmentCount(const PointSet& set) {
    size_t segments = 1;
    for (const Point& point : set.points) segments += point.segmentStart ? 1 : 0;
    return segments;
}

std::string SetWords(const PointSet& set) {
    const char* kind = set.kind == VEZUVED_KIND_TRACK   ? "track"
                       : set.kind == VEZUVED_KIND_ROUTE ? "route"
                                                        : "waypoints";
    return std::string(kind) + " '" + set.title + "'";
}

std::string JoinedSegmentsWarning(const std::string& target, const PointSet& set, size_t segments) {
    if (segments < 2) return "";
    return "vezuved: warning: '" + target + "': " + SetWords(set) + ": " + std::to_string(segments) +
           " segments joined (--split-segments writes one file per segment)\n";
}

std::vector<PointSet> SplitSegments(PointSet set) {
    std::vector<PointSet> split;
    if (!IsLine(set) || SegmentCount(set) < 2) {
        split.push_back(std::move(set));
        return split;
    }
    std::vector<Point>& points = set.points;
    for (size_t first = 0; first < points.size();) {
        size_t end = first + 1;
        while (end < points.size() && !points[end].segmentStart) ++end;
        PointSet piece;
        piece.kind = set.kind;
        piece.title = set.title + "-" + std::to_string(split.size() + 1);
        piece.points.assign(std::make_move_iterator(points.begin() + static_cast<std::ptrdiff_t>(first)),
                            std::make_move_iterator(points.begin() + static_cast<std::ptrdiff_t>(end)));
        piece.points.front().segmentStart = false;
        split.push_back(std::move(piece));
        first = end;
    }
    return split;
}

}  // namespace vezuved_cli
