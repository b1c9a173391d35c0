#include "filters/simplify.h"

#include <queue>

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

    // Pushes the stretch first..last when it has an interior point with a position.
    void Consider(size_t first, size_t last, std::priority_queue<Stretch>& heap) const {
        double worst = -1;
        size_t farthest = last;
        for (size_t i = first + 1; i < last; ++i) {
            if (!Positioned(points_[i])) continue;
            const double angle = AngleToArc(vectors_[i], vectors_[first], vectors_[last]);
            if (angle > worst) worst = angle, farthest = i;
        }
        if (farthest != last) heap.push({worst, first, last, farthest});
    }

private:
    const std::vector<Point>& points_;
    std::vector<UnitVector> vectors_;
    std::vector<bool> startsSegment_;
};

}  // namespace

Simplified SimplifyPoints(const std::vector<Point>& points, const std::vector<Point>& waypoints,
                          const SimplifyTarget& target) {
    const Thinning thinning(points);
    std::vector<bool> keep = thinning.Required(waypoints);
    Simplified result;
    std::priority_queue<Stretch> heap;
    size_t previous = points.size();
    for (size_t i = 0; i < points.size(); ++i) {
        if (!keep[i]) continue;
        ++result.required;
        if (!Positioned(points[i])) continue;
        if (previous != points.size() && !thinning.StartsSegment(i)) thinning.Consider(previous, i, heap);
        previous = i;
    }
    size_t count = result.required;
    while (!heap.empty()) {
        const Stretch worst = heap.top();
        if (target.errorMetres && worst.angle * kMeanEarthRadiusMetres <= *target.errorMetres) break;
        if (!target.errorMetres && count >= target.count) break;
        heap.pop();
        keep[worst.farthest] = true;
        ++count;
        thinning.Consider(worst.first, worst.farthest, heap);
        thinning.Consider(worst.farthest, worst.last, heap);
    }
    result.kept.reserve(count);
    for (size_t i = 0; i < points.size(); ++i) {
        if (keep[i]) result.kept.push_back(i);
    }
    return result;
}

}  // namespace vezuved_cli
