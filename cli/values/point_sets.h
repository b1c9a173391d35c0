// What a database or text file makes of a set of points: the points it
// can take, and the segments it cannot keep apart.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "values/points.h"

namespace vezuved_cli {

// How messages name a set: "track 'Run'", "route 'Loop'", "waypoints 'x'".
std::string SetWords(const PointSet& set);

// How many segments the set's held points make.
size_t SegmentCount(const PointSet& set);

// The warning that the set's segments are joined in target, which has no
// segment breaks ("vezuved: warning: 'out.pdb': track 'Run': 8 segments
// joined ..."), with its line end; empty for a set of one segment.
std::string JoinedSegmentsWarning(const std::string& target, const PointSet& set, size_t segments);

// Each segment of a route or track as a set of its own, titled "TITLE-1",
// "TITLE-2", ...; waypoints and a set of one segment stay as they are.
std::vector<PointSet> SplitSegments(PointSet set);

}  // namespace vezuved_cli
