#include "filters/filter_steps.h"
#include "filters/simplify.h"
#include "values/point_sets.h"

namespace vezuved_cli {

void SimplifySet(PointSet& set,
                 const FilterStep& step,
                 const std::vector<Point>& waypoints,
                 std::ostream& diagnostics) {
    const size_t before = set.points.size();
    if (step.kind == FilterKind::Fit && before <= step.count) return;
    SimplifyTarget target;
    target.count = step.count;
    target.errorMetres = step.errorMetres;
    const Simplified simplified = SimplifyPoints(set.points, waypoints, target);
    if (simplified.kept.size() == before) return;
    std::vector<Point> kept;
    kept.reserve(simplified.kept.size());
    for (size_t index : simplified.kept) kept.push_back(std::move(set.points[index]));
    set.points = std::move(kept);
    diagnostics << "vezuved: " << SetWords(set) << ": " << step.text << ": " << set.points.size() << " of "
                << before << " points kept";
    if (!step.errorMetres && set.points.size() > step.count) {
        diagnostics << " (its segment ends, named points and points nearest waypoints all stay)";
    }
    diagnostics << "\n";
}

}  // namespace vezuved_cli
