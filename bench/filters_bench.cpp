// The track filters and figures on a long recording: a point a second of a
// day's walk, wandering, with GPS jitter, generated here with a fixed seed.
//   simplify to a count:  the three orders tried, the best kept
//   simplify to an error: the top-down split alone, on the walk and on a
//                         survey grid of the same length (its worst shape)
//   figures:              a geodesic per step on the WGS-84 ellipsoid
// Counter: points per second. VEZUVED_BENCH_SCALE divides the size (CI runs
// a smoke test with 100).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "filters/geodesy.h"
#include "filters/simplify.h"
#include "filters/track_stats.h"

namespace {

using vezuved_cli::Point;
using vezuved_cli::PointSet;

size_t Count() {
    const char* text = std::getenv("VEZUVED_BENCH_SCALE");
    const long scale = text != nullptr ? std::atol(text) : 1;
    return 1000000 / static_cast<size_t>(scale > 1 ? scale : 1);
}

const PointSet& Walk() {
    static const PointSet walk = [] {
        PointSet set;
        set.kind = VEZUVED_KIND_TRACK;
        set.title = "walk";
        uint64_t state = 88172645463325252ull;
        auto unit = [&] {  // xorshift64: the same walk on every platform
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            return static_cast<double>(state % 1000000) / 1000000.0 - 0.5;
        };
        double latitude = 45.8, longitude = 6.9, heading = 0, elevation = 1000;
        const size_t count = Count();
        set.points.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            heading += unit() * 0.2;
            latitude += std::cos(heading) * 1.2e-5 + unit() * 2e-6;
            longitude += std::sin(heading) * 1.7e-5 + unit() * 3e-6;
            elevation += unit() * 0.8;
            Point point;
            point.latitude = latitude;
            point.longitude = longitude;
            point.elevationMetres = elevation;
            point.time = int64_t{1628920800000} + static_cast<int64_t>(i) * 1000;
            set.points.push_back(point);
        }
        return set;
    }();
    return walk;
}

// A survey grid flown back and forth: rows of 100 points 2 m apart, 20 m
// between rows, the same count as the walk. Every turn stays, and each
// stretch's farthest point is a turn near one of its ends.
const PointSet& ZigZag() {
    static const PointSet grid = [] {
        PointSet set;
        set.kind = VEZUVED_KIND_TRACK;
        set.title = "grid";
        uint64_t state = 88172645463325252ull;
        auto unit = [&] {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            return static_cast<double>(state % 1000000) / 1000000.0 - 0.5;
        };
        const double metre = 1.0 / 111195.0;  // of latitude
        const size_t count = Count();
        set.points.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const size_t row = i / 100, along = i % 100;
            const double x = 2.0 * static_cast<double>(row % 2 == 0 ? along : 99 - along);
            Point point;
            point.latitude = 45.8 + (20.0 * static_cast<double>(row) + unit() * 0.5) * metre;
            point.longitude = 6.9 + (x + unit() * 0.5) * metre / std::cos(45.8 * 3.14159265358979 / 180);
            point.time = int64_t{1628920800000} + static_cast<int64_t>(i) * 1000;
            set.points.push_back(point);
        }
        return set;
    }();
    return grid;
}

void SimplifyZigZagToError(benchmark::State& state) {
    const PointSet& grid = ZigZag();
    vezuved_cli::SimplifyTarget target;
    target.errorMetres = 10;
    for (auto _ : state)
        benchmark::DoNotOptimize(vezuved_cli::SimplifyPoints(grid.points, {}, target).kept.size());
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(grid.points.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void SimplifyToCount(benchmark::State& state) {
    const PointSet& walk = Walk();
    vezuved_cli::SimplifyTarget target;
    target.count = 500;
    for (auto _ : state)
        benchmark::DoNotOptimize(vezuved_cli::SimplifyPoints(walk.points, {}, target).kept.size());
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(walk.points.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void SimplifyToError(benchmark::State& state) {
    const PointSet& walk = Walk();
    vezuved_cli::SimplifyTarget target;
    target.errorMetres = 10;
    for (auto _ : state)
        benchmark::DoNotOptimize(vezuved_cli::SimplifyPoints(walk.points, {}, target).kept.size());
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(walk.points.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void Figures(benchmark::State& state) {
    if (!vezuved_cli::HaveEllipsoidDistances()) {
        state.SkipWithError("this build has no GeographicLib");
        return;
    }
    const PointSet& walk = Walk();
    for (auto _ : state) {
        benchmark::DoNotOptimize(vezuved_cli::ComputeStats(walk, vezuved_cli::StatsOptions()).distance2d);
    }
    state.counters["points/s"] = benchmark::Counter(static_cast<double>(walk.points.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(SimplifyToCount)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifyToError)->Unit(benchmark::kMillisecond);
BENCHMARK(SimplifyZigZagToError)->Unit(benchmark::kMillisecond);
BENCHMARK(Figures)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
