// Douglas–Peucker on the sphere: which points of a route or track stay when
// it is thinned to a point count or to an error in metres.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "values/points.h"

namespace vezuved_cli {

struct SimplifyTarget {
    size_t count = 0;                   // at most this many points, when set
    std::optional<double> errorMetres;  // or: no point farther than this from the line kept
};

struct Simplified {
    std::vector<size_t> kept;  // indexes into the points, in order
    size_t required = 0;       // how many had to stay whatever the target
};

// The points that must stay are each segment's first and last point, every
// named point, every point without a position (nothing can be said of
// it), and the point nearest each of waypoints. Between them the point
// farthest from the arc of its neighbours is added, largest error first,
// until the count is reached or the largest error left is within the
// bound. For a count the bottom-up order (the point nearest the arc of its
// neighbours leaves first) is tried as well, up to 200,000 points, and the
// smaller largest error wins. Errors are measured on a sphere of the mean radius: a bound on the
// geometric error, for which the ellipsoid's flattening does not matter.
// The ranges wait in a heap, and each split's farthest point is found in a
// tree of balls: O(n log n) for a track that splits evenly, and near it for
// one whose farthest points lie near the ends (a survey grid's turns).
Simplified SimplifyPoints(const std::vector<Point>& points,
                          const std::vector<Point>& waypoints,
                          const SimplifyTarget& target);

}  // namespace vezuved_cli
