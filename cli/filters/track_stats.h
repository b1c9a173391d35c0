// The figures of a route or track a user weighs before loading it: points,
// segments, distance, climb, times, speeds and the box it covers; for a
// set of waypoints, their count and box. Distances are on the WGS-84
// ellipsoid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "filters/filters.h"
#include "values/points.h"

namespace vezuved_cli {

struct StatsOptions {
    // Changes of the smoothed elevation (each the mean of the 5 around it)
    // smaller than this are noise (a barometer's drift, a GPS's jitter)
    // and add to neither ascent nor descent.
    double climbThresholdMetres = 2.0;
    // Time between two points counts as moving when the speed between them
    // is above this.
    double movingKmPerHour = 0.5;
};

struct TrackStats {
    std::string title;
    int32_t kind = VEZUVED_KIND_POINT;
    size_t points = 0;                  // all points of the set
    size_t segments = 0;                // routes and tracks
    double distance2d = 0;              // metres, along each segment
    double distance3d = 0;              // metres, with the elevation change of each step
    double ascent = 0, descent = 0;     // metres
    std::optional<int64_t> start, end;  // UTC milliseconds
    int64_t durationMillis = 0;
    // The moving steps' time, and their distance over it. In a track of 15
    // moving steps or more, a step more than five times as fast as the 15
    // around it is a GPS jump: it is left out of both speeds and of the
    // moving time.
    int64_t movingMillis = 0;
    double averageKmPerHour = 0;
    // The highest speed held over 15 moving steps (their median), never
    // below the average.
    double maximumKmPerHour = 0;
    std::optional<GeoBox> box;  // none when no point has a position
};

// The figures of one set; fails (exit 1) in a build without the ellipsoid's geodesics.
TrackStats ComputeStats(const PointSet& set, const StatsOptions& options);

}  // namespace vezuved_cli
