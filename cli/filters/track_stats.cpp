#include "filters/track_stats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "filters/geodesy.h"

namespace vezuved_cli {
namespace {

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

// Each elevation is the mean of the kSmoothed around it, the window kept
// even near a segment's ends (its first and last stay as they are, so a
// steady climb counts whole): a GPS's elevation jumps by metres from fix to fix.
constexpr size_t kSmoothed = 5;

// Ascent and descent of a segment's elevations, smoothed, counted only once
// the smoothed elevation has moved a threshold away from the last level
// counted, so what jitter is left around a level adds nothing.
void AddClimb(const std::vector<double>& elevations, double threshold, TrackStats& stats) {
    std::optional<double> level;
    const size_t half = kSmoothed / 2;
    for (size_t i = 0; i < elevations.size(); ++i) {
        const size_t reach = std::min({half, i, elevations.size() - 1 - i});
        const size_t first = i - reach, last = i + reach + 1;
        double sum = 0;
        for (size_t k = first; k < last; ++k) sum += elevations[k];
        const double elevation = sum / static_cast<double>(last - first);
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
}

// A moving step: its speed, length and time.
struct Step {
    double kmPerHour, metres;
    int64_t millis;
};

// How many steps a speed is held over, and how far above the steps around
// it a step is a GPS jump rather than a move.
constexpr size_t kHeldSteps = 15;
constexpr double kJumpFactor = 5.0;

// The median of the speeds of steps [first, last).
double MedianSpeed(const std::vector<Step>& steps, size_t first, size_t last) {
    std::array<double, kHeldSteps> speeds{};
    size_t count = 0;
    for (size_t i = first; i < last && count < speeds.size(); ++i) speeds[count++] = steps[i].kmPerHour;
    std::nth_element(speeds.begin(), speeds.begin() + count / 2, speeds.begin() + count);
    return speeds[count / 2];
}

// The steps that are no GPS jump: none faster than kJumpFactor times the
// median of the kHeldSteps steps around it. Fewer steps than that tell no
// jump from a change of pace, and are all kept.
std::vector<Step> WithoutJumps(const std::vector<Step>& steps) {
    if (steps.size() < kHeldSteps) return steps;
    std::vector<Step> kept;
    kept.reserve(steps.size());
    const size_t half = kHeldSteps / 2;
    for (size_t i = 0; i < steps.size(); ++i) {
        const size_t first = i > half ? i - half : 0;
        const size_t last = std::min(steps.size(), i + half + 1);
        if (steps[i].kmPerHour <= kJumpFactor * MedianSpeed(steps, first, last)) kept.push_back(steps[i]);
    }
    return kept;
}

// The highest speed held over kHeldSteps steps (their median); fewer steps
// hold the median of them all.
double HeldSpeed(const std::vector<Step>& steps) {
    if (steps.empty()) return 0.0;
    if (steps.size() < kHeldSteps) return MedianSpeed(steps, 0, steps.size());
    double highest = 0;
    for (size_t i = 0; i + kHeldSteps <= steps.size(); ++i)
        highest = std::max(highest, MedianSpeed(steps, i, i + kHeldSteps));
    return highest;
}

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
    std::vector<double> elevations;  // of the segment so far
    std::vector<Step> moving;
    const double movingMetresPerMilli = options.movingKmPerHour / 3600.0;
    for (const Point& point : set.points) {
        ++stats.points;
        if (line && point.segmentStart && stats.points > 1) {
            ++stats.segments;
            previous.reset();
            AddClimb(elevations, options.climbThresholdMetres, stats);
            elevations.clear();
        }
        if (point.time) {
            stats.start = stats.start ? std::min(*stats.start, *point.time) : *point.time;
            stats.end = stats.end ? std::max(*stats.end, *point.time) : *point.time;
        }
        if (!point.latitude || !point.longitude) continue;
        Widen(stats.box, *point.latitude, *point.longitude);
        if (!line) continue;
        const std::optional<double> elevation = ElevationMetres(point);
        if (elevation) elevations.push_back(*elevation);
        if (previous) {
            const double metres =
                EllipsoidDistance(previous->latitude, previous->longitude, *point.latitude, *point.longitude);
            const double rise = elevation && previous->elevation ? *elevation - *previous->elevation : 0.0;
            stats.distance2d += metres;
            stats.distance3d += std::sqrt(metres * metres + rise * rise);
            if (point.time && previous->time && *point.time > *previous->time) {
                const int64_t millis = *point.time - *previous->time;
                if (metres / static_cast<double>(millis) > movingMetresPerMilli)
                    moving.push_back(Step{metres / static_cast<double>(millis) * 3600.0, metres, millis});
            }
        }
        previous = Last{*point.latitude, *point.longitude, elevation, point.time};
    }
    AddClimb(elevations, options.climbThresholdMetres, stats);
    if (stats.start) stats.durationMillis = *stats.end - *stats.start;
    // Moving time and both speeds over the same moving steps, GPS jumps left
    // out: a stop's or an untimed step's distance adds to no speed, and the
    // average is never above the maximum.
    const std::vector<Step> kept = WithoutJumps(moving);
    double movingMetres = 0;
    for (const Step& step : kept) {
        movingMetres += step.metres;
        stats.movingMillis += step.millis;
    }
    if (stats.movingMillis > 0)
        stats.averageKmPerHour = movingMetres / static_cast<double>(stats.movingMillis) * 3600.0;
    stats.maximumKmPerHour = std::max(HeldSpeed(kept), stats.averageKmPerHour);
    return stats;
}

}  // namespace vezuved_cli
