// Which point of a stretch of a track lies farthest from the arc between
// its ends, asked again and again of one track as it is thinned.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "filters/geodesy.h"

namespace vezuved_cli {

// A tree of boxes over the track's points, in blocks of consecutive
// points: a box no point of which can lie farther from the arc than the
// farthest found so far is passed over whole. The answer is the one a scan
// of every point gives (the first of equals), but a long stretch whose
// farthest points lie near its ends (each turn of a survey grid) costs
// about the tree's depth for its middle rather than its length.
class FarthestPoint {
public:
    // vectors[i] is point i's place; placed[i] whether it has one. Both
    // are kept by reference and must outlive the search.
    FarthestPoint(const std::vector<UnitVector>& vectors, const std::vector<bool>& placed);

    // The interior point of first..last farthest from their arc, with its
    // squared chord (ArcGauge); last and -1 when no interior point has a place.
    std::pair<size_t, double> Find(size_t first, size_t last) const;

private:
    struct Search;
    void Build(size_t node, size_t from, size_t to);
    double Bound(const Search& search, size_t node, size_t from, size_t to) const;
    void Visit(Search& search, size_t node, size_t from, size_t to, double bound) const;
    void Scan(Search& search, size_t begin, size_t end) const;

    const std::vector<UnitVector>& vectors_;
    const std::vector<bool>& placed_;
    std::vector<VectorBox> boxes_;  // node 1 is the root; node k's halves are 2k and 2k+1
};

}  // namespace vezuved_cli
