#include "filters/filter_steps.h"
#include "filters/geodesy.h"

namespace vezuved_cli {
namespace {

constexpr int64_t kMillisPerDay = 86400000;

int64_t LocalDay(int64_t utcMillis, int32_t utcOffsetMinutes) {
    const int64_t local = utcMillis + int64_t{utcOffsetMinutes} * 60000;
    return local >= 0 ? local / kMillisPerDay : -((-local + kMillisPerDay - 1) / kMillisPerDay);
}

}  // namespace

void SplitSet(PointSet& set, const FilterStep& step, int32_t utcOffsetMinutes) {
    if (step.splitBy == SplitBy::Distance) RequireEllipsoidDistances(step.text);
    // Compared with the last point that has what the rule reads (a time, a position).
    const Point* previous = nullptr;
    for (Point& point : set.points) {
        const bool has =
            step.splitBy == SplitBy::Distance ? point.latitude && point.longitude : point.time.has_value();
        if (!has) continue;
        if (previous != nullptr) {
            bool cut = false;
            switch (step.splitBy) {
                case SplitBy::Gap:
                    cut = *point.time - *previous->time > step.gapMillis;
                    break;
                case SplitBy::Day:
                    cut = LocalDay(*point.time, utcOffsetMinutes) !=
                          LocalDay(*previous->time, utcOffsetMinutes);
                    break;
                case SplitBy::Distance:
                    cut = EllipsoidDistance(
                              *previous->latitude, *previous->longitude, *point.latitude, *point.longitude) >
                          step.distanceMetres;
                    break;
            }
            if (cut) point.segmentStart = true;
        }
        previous = &point;
    }
}

}  // namespace vezuved_cli
