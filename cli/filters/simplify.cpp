#include "filters/simplify.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <queue>
#include <utility>

#include "filters/cost_heap.h"
#include "filters/farthest_point.h"
#include "filters/geodesy.h"

namespace vezuved_cli {
namespace {

bool Positioned(const Point& point) { return point.latitude && point.longitude; }

// A stretch between two kept points and its interior point farthest from their arc.
struct Stretch {
    double chord;
    size_t first, last, farthest;
    bool operator<(const Stretch& other) const { return chord < other.chord; }
};

class Thinning {
public:
    Thinning(const std::vector<Point>& points)
        : points_(points),
          vectors_(points.size()),
          placed_(points.size()),
          startsSegment_(points.size(), false) {
        // A break carried by a point without a position passes to the next point with one.
        bool pending = false;
        for (size_t i = 0; i < points.size(); ++i) {
            pending = pending || points[i].segmentStart;
            if (!Positioned(points[i])) continue;
            vectors_[i] = ToUnitVector(*points[i].latitude, *points[i].longitude);
            placed_[i] = true;
            startsSegment_[i] = pending;
            pending = false;
        }
        farthest_.emplace(vectors_, placed_);
    }

    bool HasPlace(size_t i) const { return placed_[i]; }

    std::vector<bool> Required(const std::vector<Point>& waypoints) const {
        std::vector<bool> required(points_.size(), false);
        size_t lastPositioned = points_.size();
        for (size_t i = 0; i < points_.size(); ++i) {
            const Point& point = points_[i];
            if (!Positioned(point) || !point.name.empty()) required[i] = true;
            if (!Positioned(point)) continue;
            if (lastPositioned == points_.size() || startsSegment_[i]) {
                required[i] = true;
                if (lastPositioned != points_.size()) required[lastPositioned] = true;
            }
            lastPositioned = i;
        }
        if (lastPositioned != points_.size()) required[lastPositioned] = true;
        for (const Point& waypoint : waypoints) {
            if (!Positioned(waypoint)) continue;
            const UnitVector at = ToUnitVector(*waypoint.latitude, *waypoint.longitude);
            // The nearest point has the largest cosine: a dot product per point.
            double best = -2;
            size_t nearest = points_.size();
            for (size_t i = 0; i < points_.size(); ++i) {
                if (!Positioned(points_[i])) continue;
                const UnitVector& v = vectors_[i];
                const double cosine = v.x * at.x + v.y * at.y + v.z * at.z;
                if (cosine > best) best = cosine, nearest = i;
            }
            if (nearest != points_.size()) required[nearest] = true;
        }
        return required;
    }

    // The interior point of first..last farthest from their arc, with its
    // squared chord (ArcGauge); last and -1 when no interior point has a position.
    std::pair<size_t, double> Farthest(size_t first, size_t last) const {
        return farthest_->Find(first, last);
    }

    double Distance(size_t i, size_t first, size_t last) const {
        return ArcGauge(vectors_[first], vectors_[last]).SquaredChord(vectors_[i]);
    }

    // The largest squared chord of a point left out from the arc of the kept
    // points around it. The two ends of every segment are kept (Required), so
    // no stretch across a break has an interior point.
    double LargestError(const std::vector<bool>& keep) const {
        double worst = 0;
        size_t previous = keep.size();
        for (size_t i = 0; i < keep.size(); ++i) {
            if (!keep[i] || !HasPlace(i)) continue;
            if (previous != keep.size()) worst = std::max(worst, Farthest(previous, i).second);
            previous = i;
        }
        return worst;
    }

    // Pushes the stretch first..last when it has an interior point with a position.
    void Consider(size_t first, size_t last, std::priority_queue<Stretch>& heap) const {
        const auto [farthest, worst] = Farthest(first, last);
        if (farthest != last) heap.push({worst, first, last, farthest});
    }

private:
    const std::vector<Point>& points_;
    std::vector<UnitVector> vectors_;
    std::vector<bool> placed_;
    std::vector<bool> startsSegment_;
    std::optional<FarthestPoint> farthest_;
};

// Top down: the farthest point of the worst stretch joins, until the
// target is met; worst is set to the largest squared chord left.
std::vector<bool> SplitWorst(const Thinning& thinning,
                             std::vector<bool> keep,
                             size_t count,
                             const SimplifyTarget& target,
                             double& worst) {
    std::priority_queue<Stretch> heap;
    size_t previous = keep.size();
    for (size_t i = 0; i < keep.size(); ++i) {
        if (!keep[i] || !thinning.HasPlace(i)) continue;
        if (previous != keep.size()) thinning.Consider(previous, i, heap);
        previous = i;
    }
    worst = 0;
    while (!heap.empty()) {
        const Stretch top = heap.top();
        worst = top.chord;
        if (target.errorMetres &&
            AngleOfSquaredChord(top.chord) * kMeanEarthRadiusMetres <= *target.errorMetres)
            break;
        if (!target.errorMetres && count >= target.count) break;
        heap.pop();
        keep[top.farthest] = true;
        ++count;
        thinning.Consider(top.first, top.farthest, heap);
        thinning.Consider(top.farthest, top.last, heap);
        worst = 0;
    }
    return keep;
}

constexpr size_t kMostPointsTriedBothWays = 200000;

// Bottom up: the point nearest the arc of its neighbours leaves, and its
// neighbours are measured again, until the count is met. The order differs
// from the top down one, and on some tracks leaves a smaller largest error.
std::vector<bool> DropNearest(const Thinning& thinning, const std::vector<bool>& required, size_t count) {
    const size_t n = required.size();
    const uint32_t none = UINT32_MAX;
    std::vector<uint32_t> before(n, none), after(n, none);
    std::vector<bool> keep(n, true);
    uint32_t previous = none;
    for (size_t i = 0; i < n; ++i) {
        if (!thinning.HasPlace(i)) continue;
        before[i] = previous;
        if (previous != none) after[previous] = static_cast<uint32_t>(i);
        previous = static_cast<uint32_t>(i);
    }
    auto movable = [&](uint32_t i) { return !required[i] && before[i] != none && after[i] != none; };
    CostHeap heap(n);
    std::vector<std::pair<float, uint32_t>> costs;
    for (uint32_t i = 0; i < n; ++i) {
        if (thinning.HasPlace(i) && movable(i)) {
            costs.emplace_back(static_cast<float>(thinning.Distance(i, before[i], after[i])), i);
        }
    }
    heap.Fill(std::move(costs));
    size_t kept = n;
    while (kept > count && !heap.empty()) {
        const uint32_t i = heap.top();
        heap.Pop();
        keep[i] = false;
        --kept;
        after[before[i]] = after[i];
        before[after[i]] = before[i];
        for (uint32_t neighbour : {before[i], after[i]}) {
            if (movable(neighbour))
                heap.Set(neighbour, thinning.Distance(neighbour, before[neighbour], after[neighbour]));
        }
    }
    return keep;
}

}  // namespace

Simplified SimplifyPoints(const std::vector<Point>& points,
                          const std::vector<Point>& waypoints,
                          const SimplifyTarget& target) {
    const Thinning thinning(points);
    const std::vector<bool> required = thinning.Required(waypoints);
    Simplified result;
    for (bool must : required) result.required += must ? 1 : 0;
    double topDownError = 0;
    std::vector<bool> keep = SplitWorst(thinning, required, result.required, target, topDownError);
    // For a count, the other order is tried too and the smaller largest error
    // wins; on a track longer than kMostPointsTriedBothWays its heap would
    // cost several times the split, which alone then decides.
    if (!target.errorMetres && target.count >= result.required && target.count < points.size() &&
        points.size() <= kMostPointsTriedBothWays) {
        std::vector<bool> other = DropNearest(thinning, required, target.count);
        if (thinning.LargestError(other) < topDownError) keep = std::move(other);
    }
    for (size_t i = 0; i < points.size(); ++i) {
        if (keep[i]) result.kept.push_back(i);
    }
    return result;
}

}  // namespace vezuved_cli
