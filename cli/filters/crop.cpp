#include "filters/filter_steps.h"

namespace vezuved_cli {
namespace {

bool InBox(const Point& point, const GeoBox& box) {
    if (!point.latitude || !point.longitude) return false;
    const double lat = *point.latitude, lon = *point.longitude;
    if (lat < box.south || lat > box.north) return false;
    // A box whose west edge lies east of its east edge crosses the 180th meridian.
    return box.west <= box.east ? lon >= box.west && lon <= box.east : lon >= box.west || lon <= box.east;
}

bool Inside(const Point& point, const FilterStep& step) {
    if (step.box) return InBox(point, *step.box);
    if (!point.time) return false;
    return (!step.from || *point.time >= *step.from) && (!step.to || *point.time <= *step.to);
}

}  // namespace

size_t CropSet(PointSet& set, const FilterStep& step) {
    std::vector<Point>& points = set.points;
    size_t kept = 0;
    bool gap = false;
    for (size_t i = 0; i < points.size(); ++i) {
        Point& point = points[i];
        if (!Inside(point, step)) {
            gap = true;
            continue;
        }
        // The first point kept begins the set, which carries no break.
        point.segmentStart = kept != 0 && (point.segmentStart || gap);
        gap = false;
        if (i != kept) points[kept] = std::move(point);
        ++kept;
    }
    const size_t removed = points.size() - kept;
    points.resize(kept);
    return removed;
}

}  // namespace vezuved_cli
