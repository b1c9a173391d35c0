#include "filters/farthest_point.h"

#include <algorithm>

namespace vezuved_cli {
namespace {

// A stretch this short is scanned: a box costs more than its points.
constexpr size_t kScanned = 32;

}  // namespace

struct FarthestPoint::Search {
    const ArcGauge& gauge;
    size_t first, last;  // the interior is first+1 .. last-1
    double worst;
    size_t farthest;
};

FarthestPoint::FarthestPoint(const std::vector<UnitVector>& vectors, const std::vector<bool>& placed)
    : vectors_(vectors), placed_(placed) {
    if (vectors.size() <= kScanned) return;
    // Halving until a block has at most kScanned points numbers the nodes below 4n/kScanned.
    boxes_.resize(4 * (vectors.size() / kScanned + 1));
    Build(1, 0, vectors.size());
}

void FarthestPoint::Build(size_t node, size_t from, size_t to) {
    VectorBox& box = boxes_[node];
    if (to - from <= kScanned) {
        for (size_t i = from; i < to; ++i) {
            if (placed_[i]) box.Add(vectors_[i]);
        }
        return;
    }
    const size_t middle = from + (to - from) / 2;
    Build(2 * node, from, middle);
    Build(2 * node + 1, middle, to);
    box.Add(boxes_[2 * node]);
    box.Add(boxes_[2 * node + 1]);
}

void FarthestPoint::Scan(Search& search, size_t begin, size_t end) const {
    for (size_t i = begin; i < end; ++i) {
        if (!placed_[i]) continue;
        const double chord = search.gauge.SquaredChord(vectors_[i]);
        // Blocks are visited in order: of equals, the first stays.
        if (chord > search.worst) search.worst = chord, search.farthest = i;
    }
}

// The bound of a node's points within the search, below every chord when it has none.
double FarthestPoint::Bound(const Search& search, size_t node, size_t from, size_t to) const {
    const bool inside = from < search.last && to > search.first + 1;
    return inside && !boxes_[node].Empty() ? search.gauge.MostSquaredChord(boxes_[node]) : -2;
}

void FarthestPoint::Visit(Search& search, size_t node, size_t from, size_t to, double bound) const {
    // Nothing in it can be farther (a node with no point is -2, below the -1 a search starts at).
    if (bound < search.worst) return;
    if (to - from <= kScanned)
        return Scan(search, std::max(from, search.first + 1), std::min(to, search.last));
    const size_t middle = from + (to - from) / 2;
    Visit(search, 2 * node, from, middle, Bound(search, 2 * node, from, middle));
    Visit(search, 2 * node + 1, middle, to, Bound(search, 2 * node + 1, middle, to));
}

std::pair<size_t, double> FarthestPoint::Find(size_t first, size_t last) const {
    const ArcGauge gauge(vectors_[first], vectors_[last]);
    Search search{gauge, first, last, -1, last};
    if (boxes_.empty() || last - first <= kScanned)
        Scan(search, first + 1, last);
    else
        Visit(search, 1, 0, vectors_.size(), Bound(search, 1, 0, vectors_.size()));
    return {search.farthest, search.worst};
}

}  // namespace vezuved_cli
