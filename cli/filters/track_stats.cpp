#include "filters/track_stats.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "filters/geodesy.h"

namespace vezuved_cli {
namespace {

std::optional<double> Elevation(const Point& point) {
    if (point.elevationMetres) return point.elevationMetres;
    if (point.elevationFeet) return *point.elevationFeet * 0.3048;
    return std::nullopt;
}

void Widen(std::optional<GeoBox>& box, double latitude, double longitude) {
    if (!box) {
        box = GeoBox{latitude, longitude, latitude, longitude};
        return;
    }
    box->south = std::min(box->south, latitude);
    box->north = std::max(box->north, latitude);
    box->west = std::min(box->west, longitude);
    box->east = std::max(box->east, longitude);
}

// Ascent and descent counted only once the elevation has moved a threshold
// away from the last level counted, so jitter around a level adds nothing.
struct Climb {
    std::optional<double> level;
    void Reset() { level.reset(); }
    void Add(double elevation, double threshold, TrackStats& stats) {
        if (!level) {
            level = elevation;
        } else if (elevation - *level >= threshold) {
            stats.ascent += elevation - *level;
            level = elevation;
        } else if (*level - elevation >= threshold) {
            stats.descent += *level - elevation;
            level = elevation;
        }
    }
};

// The speed a track holds: the median of the last five moving steps'
// speeds, so one GPS jump (out and back: two steps) cannot make a maximum.
class HeldSpeed {
public:
    void Add(double kmPerHour) {
        last_[count_++ % kSteps] = kmPerHour;
        if (count_ >= kSteps) highest_ = std::max(highest_, Median(kSteps));
    }
    // The highest held; a track of fewer steps holds the median of them all.
    double Highest() const { return count_ >= kSteps ? highest_ : count_ > 0 ? Median(count_) : 0.0; }

private:
    static constexpr size_t kSteps = 5;
    double Median(size_t count) const {
        std::array<double, kSteps> sorted = last_;
        std::nth_element(sorted.begin(), sorted.begin() + count / 2, sorted.begin() + count);
        return sorted[count / 2];
    }
    std::array<double, kSteps> last_{};
    size_t count_ = 0;
    double highest_ = 0;
};

}  // namespace

TrackStats ComputeStats(const PointSet& set, const StatsOptions& options) {
    RequireEllipsoidDistances("the figures of a route or track");
    TrackStats stats;
    stats.title = set.title;
    stats.kind = set.kind;
    const bool line = IsLine(set);
    stats.segments = line ? 1 : 0;
    // What the next point is measured from.
    struct Last {
        double latitude, longitude;
        std::optional<double> elevation;
        std::optional<int64_t> time;
    };
    std::optional<Last> previous;
    Climb climb;
    HeldSpeed held;
    double movingMetres = 0;
    const double movingMetresPerMilli = options.movingKmPerHour / 3600.0;
    for (const Point& point : set.points) {
        ++stats.points;
        if (line && point.segmentStart && stats.points > 1) {
            ++stats.segments;
            previous.reset();
            climb.Reset();
        }
        if (point.time) {
            stats.start = stats.start ? std::min(*stats.start, *point.time) : *point.time;
            stats.end = stats.end ? std::max(*stats.end, *point.time) : *point.time;
        }
        if (!point.latitude || !point.longitude) continue;
        Widen(stats.box, *point.latitude, *point.longitude);
        if (!line) continue;
        const std::optional<double> elevation = Elevation(point);
        if (elevation) climb.Add(*elevation, options.climbThresholdMetres, stats);
        if (previous) {
            const double metres =
                EllipsoidDistance(previous->latitude, previous->longitude, *point.latitude, *point.longitude);
            const double rise = elevation && previous->elevation ? *elevation - *previous->elevation : 0.0;
            stats.distance2d += metres;
            stats.distance3d += std::sqrt(metres * metres + rise * rise);
            if (point.time && previous->time && *point.time > *previous->time) {
                const int64_t millis = *point.time - *previous->time;
                if (metres / static_cast<double>(millis) > movingMetresPerMilli) {
                    stats.movingMillis += millis;
                    movingMetres += metres;
                    held.Add(metres / static_cast<double>(millis) * 3600.0);
                }
            }
        }
        previous = Last{*point.latitude, *point.longitude, elevation, point.time};
    }
    if (stats.start) stats.durationMillis = *stats.end - *stats.start;
    // Both over the same moving steps: a stop's or an untimed step's
    // distance adds to no speed, so the average is never above the maximum.
    if (stats.movingMillis > 0)
        stats.averageKmPerHour = movingMetres / static_cast<double>(stats.movingMillis) * 3600.0;
    stats.maximumKmPerHour = std::max(held.Highest(), stats.averageKmPerHour);
    return stats;
}

}  // namespace vezuved_cli
