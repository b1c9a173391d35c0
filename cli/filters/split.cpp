#include "filters/filter_steps.h"
#include "filters/geodesy.h"
#include "values/point_sets.h"

namespace vezuved_cli {
namespace {

constexpr int64_t kMillisPerDay = 86400000;

int64_t LocalDay(int64_t utcMillis, const TimeZone& zone) {
    const int64_t local = utcMillis + int64_t{OffsetMinutesAt(zone, utcMillis)} * 60000;
    return local >= 0 ? local / kMillisPerDay : -((-local + kMillisPerDay - 1) / kMillisPerDay);
}

// How many cuts the step made, the pieces the set's segments now are and
// the points of each.
void SayPieces(const PointSet& set, const FilterStep& step, size_t cuts, std::ostream& diagnostics) {
    std::vector<size_t> pieces;
    for (const Point& point : set.points) {
        if (pieces.empty() || point.segmentStart) pieces.push_back(0);
        ++pieces.back();
    }
    diagnostics << "vezuved: " << SetWords(set) << ": " << step.text << ": "
                << (cuts == 0 ? std::string("no cut")
                              : std::to_string(cuts) + (cuts == 1 ? " cut" : " cuts"));
    if (pieces.size() < 2) {
        diagnostics << ", one piece\n";
        return;
    }
    diagnostics << ", " << pieces.size() << " pieces: ";
    // A long list says its first pieces; the files say the rest.
    constexpr size_t kListed = 10;
    for (size_t i = 0; i < pieces.size() && i < kListed; ++i) diagnostics << (i ? " + " : "") << pieces[i];
    diagnostics << (pieces.size() > kListed ? " + ..." : "") << " points\n";
}

}  // namespace

void SplitSet(PointSet& set, const FilterStep& step, const TimeZone& zone, std::ostream& diagnostics) {
    if (step.splitBy == SplitBy::Distance) RequireEllipsoidDistances(step.text);
    // Compared with the last point that has what the rule reads (a time, a position).
    const Point* previous = nullptr;
    size_t cuts = 0;
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
                    cut = LocalDay(*point.time, zone) != LocalDay(*previous->time, zone);
                    break;
                case SplitBy::Distance:
                    cut = EllipsoidDistance(
                              *previous->latitude, *previous->longitude, *point.latitude, *point.longitude) >
                          step.distanceMetres;
                    break;
            }
            if (cut && !point.segmentStart) {
                point.segmentStart = true;
                ++cuts;
            }
        }
        previous = &point;
    }
    SayPieces(set, step, cuts, diagnostics);
}

}  // namespace vezuved_cli
