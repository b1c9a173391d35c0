// Each filter on its own, as ApplyFilters runs them.
#pragma once

#include <ostream>
#include <vector>

#include "filters/filters.h"

namespace vezuved_cli {

// Thins a route or track to the step's count or error (--simplify, --fit),
// keeping the points nearest waypoints; says on diagnostics what it kept.
void SimplifySet(PointSet& set,
                 const FilterStep& step,
                 const std::vector<Point>& waypoints,
                 std::ostream& diagnostics);

// Marks a new segment where the step's gap, distance or local midnight
// (in the zone, at each moment's offset) falls between two points, and says
// on diagnostics how many pieces that makes and their points.
void SplitSet(PointSet& set, const FilterStep& step, const TimeZone& zone, std::ostream& diagnostics);

// Keeps the points inside the step's window or box; a run of points left
// out between two kept ones leaves a segment break. The number left out.
size_t CropSet(PointSet& set, const FilterStep& step);

// The tracks of sets as one, in the place of the first, ordered by time.
void MergeTracks(std::vector<PointSet>& sets, std::ostream& diagnostics);

}  // namespace vezuved_cli
