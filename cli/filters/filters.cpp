#include "filters/filters.h"

#include "filters/filter_steps.h"
#include "values/point_sets.h"

namespace vezuved_cli {

void ApplyFilters(std::vector<PointSet>& sets, const FilterPlan& plan, std::ostream& diagnostics) {
    if (plan.steps.empty()) return;
    // The waypoints a simplification passes: those of the sets, and --keep-near's.
    std::vector<Point> waypoints = plan.keepNear;
    for (const PointSet& set : sets) {
        if (IsLine(set)) continue;
        for (const Point& point : set.points) {
            Point place;
            place.latitude = point.latitude;
            place.longitude = point.longitude;
            waypoints.push_back(std::move(place));
        }
    }
    for (const FilterStep& step : plan.steps) {
        if (step.kind == FilterKind::Merge) {
            MergeTracks(sets, diagnostics);
            continue;
        }
        std::vector<PointSet> left;
        for (PointSet& set : sets) {
            if (IsLine(set)) {
                switch (step.kind) {
                    case FilterKind::Simplify:
                    case FilterKind::Fit:
                        SimplifySet(set, step, waypoints, diagnostics);
                        break;
                    case FilterKind::Split:
                        SplitSet(set, step, plan.zone, diagnostics);
                        break;
                    case FilterKind::Crop: {
                        const size_t before = set.points.size();
                        const size_t removed = CropSet(set, step);
                        if (set.points.empty()) {
                            diagnostics << "vezuved: " << SetWords(set) << ": " << step.text
                                        << ": none of its " << before << " points is inside; left out\n";
                            continue;
                        }
                        if (removed) {
                            diagnostics << "vezuved: " << SetWords(set) << ": " << step.text << ": "
                                        << set.points.size() << " of " << before << " points kept\n";
                        }
                        break;
                    }
                    case FilterKind::Merge:
                        break;
                }
            }
            left.push_back(std::move(set));
        }
        sets = std::move(left);
    }
}

}  // namespace vezuved_cli
