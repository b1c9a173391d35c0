#include "filters/simplify.h"

#include <algorithm>
#include <cstdint>
#include <queue>
#include <utility>

#include "filters/geodesy.h"

namespace vezuved_cli {
namespace {

bool Positioned(const Point& point) { return point.latitude && point.longitude; }

// A stretch between two kept points and its interior point farthest from their arc.
struct Stretch {
    double angle;
    size_t first, last, farthest;
    bool operator<(const Stretch& other) const { return angle < other.angle; }
};

class Thinning {
public:
    Thinning(const std::vector<Point>& points)
        : points_(points), vectors_(points.size()), startsSegment_(points.size(), false) {
        // A break carried by a point without a position passes to the next point with one.
        bool pending = false;
        for (size_t i = 0; i < points.size(); ++i) {
            pending = pending || points[i].segmentStart;
            if (!Positioned(points[i])) continue;
            vectors_[i] = ToUnitVector(*points[i].latitude, *points[i].longitude);
            startsSegment_[i] = pending;
            pending = false;
        }
    }

    bool StartsSegment(size_t i) const { return startsSegment_[i]; }
    bool HasPlace(size_t i) const { return Positioned(points_[i]); }

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
    // angle; last and -1 when no interior point has a position.
    std::pair<size_t, double> Farthest(size_t first, size_t last) const {
        double worst = -1;
        size_t farthest = last;
        for (size_t i = first + 1; i < last; ++i) {
            if (!Positioned(points_[i])) continue;
            const double angle = AngleToArc(vectors_[i], vectors_[first], vectors_[last]);
            if (angle > worst) worst = angle, farthest = i;
        }
        return {farthest, worst};
    }

    double Distance(size_t i, size_t first, size_t last) const {
        return AngleToArc(vectors_[i], vectors_[first], vectors_[last]);
    }

    // The largest angle of a point left out from the arc of the kept points around it.
    double LargestError(const std::vector<bool>& keep) const {
        double worst = 0;
        size_t previous = keep.size();
        for (size_t i = 0; i < keep.size(); ++i) {
            if (!keep[i] || !HasPlace(i)) continue;
            if (previous != keep.size() && !startsSegment_[i]) worst = std::max(worst, Farthest(previous, i).second);
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
    std::vector<bool> startsSegment_;
};

// Top down: the farthest point of the worst stretch joins, until the
// target is met. Leaves the largest error it left in worst.
std::vector<bool> SplitWorst(const Thinning& thinning, std::vector<bool> keep, size_t count,
                             const SimplifyTarget& target, double& worst) {
    std::priority_queue<Stretch> heap;
    size_t previous = keep.size();
    for (size_t i = 0; i < keep.size(); ++i) {
        if (!keep[i] || !thinning.HasPlace(i)) continue;
        if (previous != keep.size() && !thinning.StartsSegment(i)) thinning.Consider(previous, i, heap);
        previous = i;
    }
    worst = 0;
    while (!heap.empty()) {
        const Stretch top = heap.top();
        worst = top.angle;
        if (target.errorMetres && top.angle * kMeanEarthRadiusMetres <= *target.errorMetres) break;
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

// Bottom up: the point whose leaving costs least leaves, until the count
// is met. The cost is the largest distance of any point it stood for from
// the arc of its neighbours, or (alone) its own distance from that arc.
// The orders differ from the top down one, and on some tracks leave a
// smaller largest error.
std::vector<bool> DropCheapest(const Thinning& thinning, const std::vector<bool>& required, size_t count,
                               bool alone) {
    const size_t n = required.size(), none = n;
    std::vector<size_t> before(n, none), after(n, none);
    std::vector<uint32_t> version(n, 0);
    std::vector<bool> keep(n, false);
    size_t previous = none, kept = 0;
    for (size_t i = 0; i < n; ++i) {
        keep[i] = true;
        ++kept;
        if (!thinning.HasPlace(i)) continue;
        before[i] = previous;
        if (previous != none) after[previous] = i;
        previous = i;
    }
    struct Cost {
        double angle;
        size_t point;
        uint32_t version;
        bool operator<(const Cost& other) const { return angle > other.angle; }  // the cheapest on top
    };
    std::priority_queue<Cost> heap;
    auto price = [&](size_t i) {
        if (required[i] || before[i] == none || after[i] == none) return;
        const double angle = alone ? thinning.Distance(i, before[i], after[i])
                                   : thinning.Farthest(before[i], after[i]).second;
        heap.push({angle, i, ++version[i]});
    };
    for (size_t i = 0; i < n; ++i) {
        if (thinning.HasPlace(i)) price(i);
    }
    while (kept > count && !heap.empty()) {
        const Cost cheapest = heap.top();
        heap.pop();
        if (cheapest.version != version[cheapest.point] || !keep[cheapest.point]) continue;
        const size_t i = cheapest.point;
        keep[i] = false;
        --kept;
        after[before[i]] = after[i];
        before[after[i]] = before[i];
        price(before[i]);
        price(after[i]);
    }
    return keep;
}

}  // namespace

Simplified SimplifyPoints(const std::vector<Point>& points, const std::vector<Point>& waypoints,
                          const SimplifyTarget& target) {
    const Thinning thinning(points);
    const std::vector<bool> required = thinning.Required(waypoints);
    Simplified result;
    for (bool must : required) result.required += must ? 1 : 0;
    double topDownError = 0;
    std::vector<bool> keep = SplitWorst(thinning, required, result.required, target, topDownError);
    // For a count, the other orders are tried too and the smallest largest error wins.
    if (!target.errorMetres && target.count >= result.required && target.count < points.size()) {
        for (bool alone : {false, true}) {
            std::vector<bool> other = DropCheapest(thinning, required, target.count, alone);
            const double error = thinning.LargestError(other);
            if (error < topDownError) keep = std::move(other), topDownError = error;
        }
    }
    for (size_t i = 0; i < points.size(); ++i) {
        if (keep[i]) result.kept.push_back(i);
    }
    return result;
}

}  // namespace vezuved_cli
