// The track filters and figures on shapes whose answers are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

#include "files/failure.h"
#include "filters/cost_heap.h"
#include "filters/farthest_point.h"
#include "filters/filters.h"
#include "filters/geodesy.h"
#include "filters/simplify.h"
#include "filters/track_stats.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

constexpr double kMetreInDegrees = 1.0 / 111195.0;  // along a meridian, near enough for shapes
constexpr int64_t kMinute = 60000;

Point At(double latitude, double longitude, std::optional<int64_t> time = {}) {
    Point point;
    point.latitude = latitude, point.longitude = longitude, point.time = time;
    return point;
}
PointSet Track(std::vector<Point> points, const std::string& title = "t", int32_t kind = VEZUVED_KIND_TRACK) {
    PointSet set;
    set.kind = kind, set.title = title, set.points = std::move(points);
    return set;
}

// The heap gives its points cheapest first, whatever order they came in and
// however their costs changed since, up or down.
TEST(CostHeap, GivesTheCheapestFirstAfterEveryChange) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> cost(0, 1000);
    for (int round = 0; round < 50; ++round) {
        const uint32_t n = 1 + random() % 200;
        CostHeap heap(n);
        std::vector<float> costs(n);
        std::vector<std::pair<float, uint32_t>> filled;  // half at once, the rest one by one
        for (uint32_t i = 0; i < n; ++i)
            if ((costs[i] = cost(random)), i % 2 == 0) filled.emplace_back(costs[i], i);
        heap.Fill(filled);
        for (uint32_t i = 1; i < n; i += 2) heap.Set(i, costs[i]);
        for (uint32_t i = 0; i < n; i += 3) heap.Set(i, costs[i] = cost(random));
        std::vector<float> given;
        for (; !heap.empty(); heap.Pop()) given.push_back(costs[heap.top()]);
        EXPECT_EQ(given.size(), n);
        EXPECT_TRUE(std::is_sorted(given.begin(), given.end())) << round;
    }
}
// Points i = from..to a minute apart, at latitude + step * i and longitude.
std::vector<Point> Minutes(int from, int to, double latitude, double step, double longitude) {
    std::vector<Point> points;
    for (int i = from; i <= to; ++i) points.push_back(At(latitude + step * i, longitude, i * kMinute));
    return points;
}

// Jitter of up to a metre, the same on every run.
double Jitter(size_t i) { return (static_cast<double>((i * 7919) % 201) / 100.0 - 1.0) * kMetreInDegrees; }

// n points from one place to another, jittered.
std::vector<Point> Line(double lat1, double lon1, double lat2, double lon2, size_t n) {
    std::vector<Point> points;
    for (size_t i = 0; i < n; ++i) {
        const double f = static_cast<double>(i) / static_cast<double>(n - 1);
        points.push_back(At(lat1 + (lat2 - lat1) * f + Jitter(i), lon1 + (lon2 - lon1) * f + Jitter(i + 3)));
    }
    return points;
}

TEST(Simplify, KnownShapesKeepWhatMustStay) {
    // A square of 1 km sides, 100 points a side, back at its start.
    std::vector<Point> square;
    const double side = 1000 * kMetreInDegrees;
    const double corners[5][2] = {{45, 7}, {45, 7 + side}, {45 + side, 7 + side}, {45 + side, 7}, {45, 7}};
    for (int s = 0; s < 4; ++s) {
        std::vector<Point> edge =
            Line(corners[s][0], corners[s][1], corners[s + 1][0], corners[s + 1][1], 101);
        square.insert(square.end(), edge.begin() + (s ? 1 : 0), edge.end());
    }
    // Two segments of a line; the second's first point starts a segment.
    std::vector<Point> segments = Line(45, 7, 45, 7.01, 50), second = Line(45.01, 7, 45.01, 7.01, 50);
    second.front().segmentStart = true;
    segments.insert(segments.end(), second.begin(), second.end());
    // A named point in a straight line.
    std::vector<Point> named = Line(45, 7, 45, 7.01, 30);
    named[12].name = "Spring";
    // A waypoint 50 m beside point 37 of a straight stretch.
    const std::vector<Point> stretch = Line(45, 7, 45, 7.1, 101);
    const std::vector<Point> beside = {
        At(*stretch[37].latitude + 50 * kMetreInDegrees, *stretch[37].longitude)};

    // Zigzags whose four kept points differ by order: the one with the smaller largest error is kept.
    const auto zigzag = [](std::vector<int> heights) {
        std::vector<Point> points;
        for (size_t i = 0; i < heights.size(); ++i) points.push_back(At(heights[i] * 0.001, i * 0.001));
        return points;
    };
    SimplifyTarget five, two, four;
    five.errorMetres = 5;
    two.count = 2;
    four.count = 4;
    const struct {
        const char* shape;
        std::vector<Point> points;
        SimplifyTarget target;
        std::vector<Point> waypoints;
        std::vector<size_t> kept;
    } cases[] = {
        {"noisy line, by error", Line(45, 7, 45.05, 7.08, 1000), five, {}, {0, 999}},
        {"noisy line, by count", Line(45, 7, 45.05, 7.08, 1000), two, {}, {0, 999}},
        {"jittered square", square, five, {}, {0, 100, 200, 300, 400}},
        {"segment ends", segments, five, {}, {0, 49, 50, 99}},
        {"named point", named, five, {}, {0, 12, 29}},
        {"waypoint beside a stretch", stretch, five, beside, {0, 37, 100}},
        {"zigzag kept bottom up", zigzag({4, 2, -3, 4, 3, -5}), four, {}, {0, 2, 3, 5}},
        {"zigzag kept top down", zigzag({-1, 2, -5, 5, 1, 4}), four, {}, {0, 1, 2, 5}},
        {"zigzag, its first stretch measured too", zigzag({1, 0, 1, 0, 1, 3}), four, {}, {0, 1, 3, 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SimplifyPoints(c.points, c.waypoints, c.target).kept, c.kept) << c.shape;
}

// Runs one step over sets, with what it said.
std::string Filter(std::vector<PointSet>& sets,
                   const std::vector<std::pair<std::string, std::string>>& steps,
                   int32_t offset = 0) {
    FilterPlan plan;
    for (const auto& [option, value] : steps) plan.steps.push_back(ParseFilterStep(option, value));
    plan.zone.fixedMinutes = offset;
    std::ostringstream said;
    ApplyFilters(sets, plan, said);
    return said.str();
}

std::vector<size_t> SegmentStarts(const PointSet& set) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < set.points.size(); ++i)
        if (set.points[i].segmentStart) starts.push_back(i);
    return starts;
}

TEST(Filters, FitLeavesSmallTracksAndThinsLargeOnes) {
    std::vector<PointSet> sets = {Track(Line(45, 7, 45.3, 7.2, 400), "small"),
                                  Track(Line(45, 7, 45.3, 7.2, 40000), "large")};
    for (size_t i = 0; i < 40000; ++i)
        sets[1].points[i].latitude = *sets[1].points[i].latitude + 0.001 * std::sin(i / 300.0);
    EXPECT_EQ(Filter(sets, {{"fit", "500"}}),
              "vezuved: track 'large': --fit 500: 500 of 40000 points kept\n");
    EXPECT_EQ(std::make_pair(sets[0].points.size(), sets[1].points.size()),
              std::make_pair(size_t{400}, size_t{500}));
}

TEST(Filters, SplitCutsWhereTheLimitIsPassed) {
    // Points a minute apart, with pauses of 5 and 15 minutes, the last across midnight at +02:00.
    std::vector<Point> points;
    const int64_t start = int64_t{1628892000000};  // 2021-08-13T22:00:00Z, midnight at +02:00
    for (int64_t m : {-3, -2, -1, 4, 5, 6, 21, 22})
        points.push_back(At(45, 7 + 0.0001 * static_cast<double>(points.size()), start + m * kMinute));
    const struct {
        const char* value;
        int32_t offset;
        std::vector<size_t> starts;
        const char* said;
    } cases[] = {
        {"gap=10min", 0, {6}, "1 cut, 2 pieces: 6 + 2 points"},
        {"gap=5min", 0, {6}, "1 cut, 2 pieces: 6 + 2 points"},
        {"gap=4min", 0, {3, 6}, "2 cuts, 3 pieces: 3 + 3 + 2 points"},
        {"gap=600s", 0, {6}, "1 cut, 2 pieces: 6 + 2 points"},
        {"day", 120, {3}, "1 cut, 2 pieces: 3 + 5 points"},
        {"day", 0, {}, "no cut, one piece"},
    };
    for (const auto& c : cases) {
        std::vector<PointSet> sets = {Track(points)};
        const std::string said = Filter(sets, {{"split", c.value}}, c.offset);
        EXPECT_EQ(SegmentStarts(sets[0]), c.starts) << c.value << " " << c.offset;
        EXPECT_EQ(said, "vezuved: track 't': --split " + std::string(c.value) + ": " + c.said + "\n");
    }
    // A cut where a segment began already is no new cut; twelve pieces list ten.
    std::vector<Point> many;
    for (int i = 0; i < 12; ++i) many.push_back(At(45, 7, i * kMinute * 10));
    many[1].segmentStart = true;
    std::vector<PointSet> sets = {Track(many)};
    EXPECT_EQ(Filter(sets, {{"split", "gap=5min"}}),
              "vezuved: track 't': --split gap=5min: 10 cuts, 12 pieces: 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + "
              "1 + ... points\n");
    // A point without a time is passed over by a rule of times.
    std::vector<Point> untimed = {At(45, 7, 0), At(45, 7, 30 * kMinute), At(45, 7, 31 * kMinute)};
    untimed[1].time.reset();
    sets = {Track(untimed)};
    Filter(sets, {{"split", "gap=10min"}});
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({2}));
}

TEST(Filters, CropKeepsItsBoundariesAndDropsWhatIsLeftEmpty) {
    std::vector<Point> points = Minutes(0, 9, 45, 0.1, 7);
    for (Point& point : points) *point.time += int64_t{1628892000000};
    const struct {
        const char* value;
        size_t first, count;
        const char* said;
    } cases[] = {
        {"time=2021-08-13T22:02:00Z..2021-08-13T22:05:00Z",
         2,
         4,
         "vezuved: track 't': --crop time=2021-08-13T22:02:00Z..2021-08-13T22:05:00Z: 4 of 10 points kept\n"},
        {"time=2021-08-13T22:07:00Z..", 7, 3, nullptr},
        {"time=..2021-08-13", 0, 10, ""},  // a date alone ends with its day
        {"box=45.2,6,45.5,8", 2, 4, nullptr},
        {"box=45.2,7,45.5,7", 2, 4, nullptr},  // the points on both edges of a box no degree wide
        {"box=45,6,45,8", 0, 1, nullptr},      // and on the one latitude of a box no degree high
        {"box=46,6,47,8",
         0,
         0,
         "vezuved: track 't': --crop box=46,6,47,8: none of its 10 points is inside; left out\n"},
    };
    for (const auto& c : cases) {
        std::vector<PointSet> sets = {Track(points)};
        SCOPED_TRACE(c.value);
        const std::string said = Filter(sets, {{"crop", c.value}});
        if (c.said) {
            EXPECT_EQ(said, c.said);
        }
        ASSERT_EQ(sets.size(), c.count ? 1u : 0u);
        if (c.count == 0) continue;
        ASSERT_EQ(sets[0].points.size(), c.count);
        EXPECT_EQ(*sets[0].points[0].latitude, *points[c.first].latitude);
    }
    // Leaving the box and coming back leaves a segment break.
    std::vector<PointSet> sets = {Track(points)};
    sets[0].points[4].latitude = 50;
    Filter(sets, {{"crop", "box=44,6,46,8"}});
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({4}));
    // A west edge east of the east one: the box spans the 180th meridian, both sides of it.
    sets = {Track({At(45, 179.5), At(45, -179.5), At(45, 0), At(45, 180), At(45, -178)})};
    Filter(sets, {{"crop", "box=44,179,46,-179"}});
    ASSERT_EQ(sets[0].points.size(), 3u);
    EXPECT_EQ(*sets[0].points[1].longitude, -179.5);
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({2}));
    // A route is said as a route.
    sets = {Track(points, "r", VEZUVED_KIND_ROUTE)};
    EXPECT_EQ(Filter(sets, {{"crop", "box=46,6,47,8"}}),
              "vezuved: route 'r': --crop box=46,6,47,8: none of its 10 points is inside; left out\n");
    // A point without a time is outside every time crop.
    sets = {Track(points)};
    sets[0].points[3].time.reset();
    Filter(sets, {{"crop", "time=..2021-08-13"}});
    EXPECT_EQ(sets[0].points.size(), 9u);
    // A file's waypoints pass whole, and its track keeps the point nearest each.
    const std::vector<Point> stretch = Line(45, 7, 45, 7.1, 101);
    sets = {Track(stretch), Track({At(45.0005, *stretch[37].longitude)}, "w", VEZUVED_KIND_POINT)};
    EXPECT_EQ(Filter(sets, {{"simplify", "5m"}, {"crop", "box=45.0001,6,46,8"}}),
              "vezuved: track 't': --simplify 5m: 3 of 101 points kept\n"
              "vezuved: track 't': --crop box=45.0001,6,46,8: none of its 3 points is inside; left out\n");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].points.size(), 1u);
}

TEST(Filters, MergeOrdersOverlappingLogsByTimeAndTakesTheOverlapOnce) {
    // Two logs of one walk, a minute a point: 0..10 and 6..15, the same points where they overlap.
    const auto log = [](int from, int to) { return Minutes(from, to, 45, 0.001, 7); };
    const PointSet waypoints = Track({At(45, 7)}, "", VEZUVED_KIND_POINT);
    // And a second day, apart from both: a segment of its own.
    std::vector<Point> later = log(0, 2);
    for (Point& point : later) *point.time += 24 * 60 * kMinute;
    std::vector<PointSet> sets = {
        Track(log(6, 15), "b"), waypoints, Track(log(0, 10), "a"), Track(later, "c")};
    const std::string said = Filter(sets, {{"merge", ""}});
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].title, "b");
    const PointSet& merged = sets[0];
    ASSERT_EQ(merged.points.size(), 19u);
    for (size_t i = 1; i < 16; ++i) EXPECT_EQ(*merged.points[i].time, static_cast<int64_t>(i) * kMinute);
    EXPECT_EQ(SegmentStarts(merged), std::vector<size_t>({16}));
    EXPECT_EQ(said,
              "vezuved: --merge: 3 tracks into track 'b', 19 point(s), 5 duplicate point(s) taken once\n");
    EXPECT_EQ(sets[1].kind, VEZUVED_KIND_POINT);
    // A log within another's span, then one that overlaps only the outer: one segment, not two.
    sets = {Track(Minutes(0, 10, 45, 0, 7), "outer"),
            Track(Minutes(3, 5, 45, 0, 8)),
            Track(Minutes(8, 12, 45, 0, 9))};
    EXPECT_EQ(Filter(sets, {{"merge", ""}}), "vezuved: --merge: 3 tracks into track 'outer', 19 point(s)\n");
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>());
    // At one time, a point is the same as another only with the same position, or with the same parts of
    // one missing.
    Point placed = At(45, 7, 0), bare = placed, half = placed;
    bare.latitude.reset(), bare.longitude.reset(), half.longitude.reset();
    const std::pair<std::vector<Point>, std::vector<Point>> logs[] = {
        {{placed, bare}, {bare}}, {{placed}, {half}}, {{bare}, {half}}};
    for (const auto& [first, second] : logs) {
        sets = {Track(first, "one"), Track(second)};
        EXPECT_EQ(Filter(sets, {{"merge", ""}}),
                  first.size() == 2
                      ? "vezuved: --merge: 2 tracks into track 'one', 2 point(s), 1 duplicate point(s) "
                        "taken once\n"
                      : "vezuved: --merge: 2 tracks into track 'one', 2 point(s)\n");
    }
    // Two logs apart in time: the later one begins a segment.
    sets = {Track(Minutes(10, 12, 45, 0, 8), "later"), Track(Minutes(0, 2, 45, 0, 7))};
    Filter(sets, {{"merge", ""}});
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({3}));
}

TEST(Filters, OptionValuesAreReadOrRefused) {
    const auto rows = cli_test::Rows(TestData("cli/data/filter-options.tsv"));
    EXPECT_EQ(rows.size(), 22u);
    for (const auto& row : rows) {
        try {
            ParseFilterStep(row[0], row.at(1));
            EXPECT_EQ(row.size(), 2u) << row[1];
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.status(), kExitUsage);
            EXPECT_EQ(row.size() > 2 ? row[2] : "", failure.what());
        }
    }
    for (const auto& [zone, minutes] :
         {std::pair("+02:00", 120), std::pair("-0530", -330), std::pair("UTC", 0)})
        EXPECT_EQ(ParseTimeZone(zone).fixedMinutes, minutes) << zone;
    for (const char* zone : {"+2 hours", "Europe/Nowhere"}) EXPECT_THROW(ParseTimeZone(zone), Failure);
}

// A split by day across Ljubljana's change of 31 October 2021 cuts at each
// local midnight, where a fixed +02:00 cuts an hour early in winter.
TEST(Filters, SplitByDayFollowsTheZonesDaylightSaving) {
    if (!HaveZoneNames()) GTEST_SKIP() << "this build has no zone database";
    // 2021-10-30T21:30Z, 22:30Z (Sunday 00:30 CEST), 2021-10-31T22:30Z (23:30 CET), 23:30Z (Monday 00:30).
    std::vector<Point> points;
    for (int64_t hours : {0, 1, 25, 26})
        points.push_back(At(46, 14, int64_t{1635629400000} + hours * 3600000));
    FilterPlan plan;
    plan.steps.push_back(ParseFilterStep("split", "day"));
    plan.zone = ParseTimeZone("Europe/Ljubljana");
    EXPECT_EQ(OffsetMinutesAt(plan.zone, points[0].time.value()), 120);
    EXPECT_EQ(OffsetMinutesAt(plan.zone, points[3].time.value()), 60);
    // Before 1970 too, to the second: London's summer time of 18 February 1968, 02:00Z.
    const TimeZone london = ParseTimeZone("Europe/London");
    EXPECT_EQ(std::make_pair(OffsetMinutesAt(london, -59004001000), OffsetMinutesAt(london, -59004000000)),
              std::make_pair(0, 60));
    std::vector<PointSet> sets = {Track(points)};
    std::ostringstream said;
    ApplyFilters(sets, plan, said);
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({1, 3}));
    sets = {Track(points)};
    Filter(sets, {{"split", "day"}}, 120);
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({1, 2}));
    // Before 1970 too: 30 and 31 December 1969 are two days.
    sets = {Track({At(46, 14, -47 * 60 * kMinute), At(46, 14, -23 * 60 * kMinute)})};
    Filter(sets, {{"split", "day"}}, 0);
    EXPECT_EQ(SegmentStarts(sets[0]), std::vector<size_t>({1}));
}

TEST(Stats, FiguresOfKnownTracks) {
    if (!HaveEllipsoidDistances()) GTEST_SKIP() << "this build measures no distance";
    // A degree of the equator over a 10 m hill, a 30-minute stop, a second segment.
    std::vector<Point> points;
    for (const double metres : {0.0, 0.5, 0.0, 5.0, 10.0, 9.6, 10.0, 0.0}) {
        points.push_back(At(0, points.size() / 7.0, static_cast<int64_t>(points.size()) * kMinute));
        points.back().elevationMetres = metres;
    }
    points.insert(points.end(), {At(0, 1, 37 * kMinute), At(0, 2, 38 * kMinute), At(1, 2, 39 * kMinute)});
    points[9].segmentStart = true;
    const TrackStats stats = ComputeStats(Track(points), StatsOptions());
    EXPECT_EQ(std::make_pair(stats.points, stats.segments), std::make_pair(size_t{11}, size_t{2}));
    // The equator's degree, the meridian's first.
    EXPECT_NEAR(stats.distance2d, 111319.491 + 110574.389, 0.01);
    // Smoothed: the middle ones the means of 0, 5, 10, 9.6, 10 and of 5, 10, 9.6, 10, 0.
    EXPECT_DOUBLE_EQ(stats.ascent, 6.92);
    EXPECT_DOUBLE_EQ(stats.descent, 6.92);
    EXPECT_EQ(stats.durationMillis, 39 * kMinute);
    EXPECT_EQ(stats.movingMillis, 8 * kMinute);  // not the stop, nor the gap between segments
    ASSERT_TRUE(stats.box);
    EXPECT_EQ(std::make_pair(stats.box->north, stats.box->east), std::make_pair(1.0, 2.0));
    StatsOptions strict;
    strict.climbThresholdMetres = 0;
    EXPECT_DOUBLE_EQ(ComputeStats(Track(points), strict).ascent, 6.92);

    // A steady climb of 100 m with noise of 1.5 m up and down each fix: smoothed, the climb.
    std::vector<Point> climb;
    for (int i = 0; i <= 200; ++i) {
        climb.push_back(At(0, i * 0.0001, i * kMinute));
        climb.back().elevationMetres = i * 0.5 + (i % 2 == 0 || i == 200 ? 0 : (i % 4 == 1 ? 1.5 : -1.5));
    }
    const TrackStats noisy = ComputeStats(Track(climb), StatsOptions());
    EXPECT_NEAR(noisy.ascent, 100, 0.5);
    EXPECT_LT(noisy.descent, 0.5);
}

// 20 minutes at 13.36 km/h then 20 at half that, with a jump north and back
// and a step in no time: neither makes the figures.
TEST(Stats, SpeedsAreHeldOverMovingSteps) {
    if (!HaveEllipsoidDistances()) GTEST_SKIP() << "this build measures no distance";
    std::vector<Point> points;
    double longitude = 0;
    for (int i = 0; i <= 40; ++i) {
        points.push_back(At(0, longitude, i * kMinute));
        longitude += i < 20 ? 0.002 : 0.001;
    }
    points[30].latitude = 0.02;
    points.insert(points.begin() + 35, At(0, points[34].longitude.value() + 0.0005, 34 * kMinute));
    const TrackStats stats = ComputeStats(Track(points), StatsOptions());
    EXPECT_NEAR(stats.maximumKmPerHour, 13.358, 0.001);
    EXPECT_NEAR(stats.averageKmPerHour, 10.107, 0.001);  // 6,401 m in 38 moving minutes: no jump
    EXPECT_EQ(stats.movingMillis, 38 * kMinute);
    // Fewer than 15 moving steps tell no jump; a maximum is never below the average.
    const TrackStats three = ComputeStats(
        Track({At(0, 0, 0), At(0, 0.001, kMinute), At(0, 0.011, 2 * kMinute), At(0, 0.012, 3 * kMinute)}),
        StatsOptions());
    EXPECT_NEAR(three.averageKmPerHour, 26.7, 0.1);
    EXPECT_DOUBLE_EQ(three.maximumKmPerHour, three.averageKmPerHour);
    // 1 km/h faster each minute for 16 minutes: the last 15 steps hold 9 km/h at their middle.
    std::vector<Point> faster = {At(0, 0, 0)};
    for (int k = 1; k <= 16; ++k)
        faster.push_back(At(0, faster.back().longitude.value() + k / 60.0 / 111.31949079, k * kMinute));
    EXPECT_NEAR(ComputeStats(Track(faster), StatsOptions()).maximumKmPerHour, 9.0, 0.001);
    // Steps of these speeds, a minute each: 15 steps already tell a jump (the
    // 100 km/h), and a step's window reaches 7 steps past it (the 40 km/h is
    // no jump beside the 100 that follows, once that counts in its median).
    const auto speeds = [](std::initializer_list<double> kmPerHour) {
        std::vector<Point> steps = {At(0, 0, 0)};
        for (const double v : kmPerHour)
            steps.push_back(At(0,
                               steps.back().longitude.value() + v / 60.0 / 111.31949079,
                               static_cast<int64_t>(steps.size()) * kMinute));
        return ComputeStats(Track(steps), StatsOptions());
    };
    EXPECT_NEAR(
        speeds({10, 10, 10, 10, 10, 10, 10, 100, 10, 10, 10, 10, 10, 10, 10}).averageKmPerHour, 10.0, 0.001);
    EXPECT_NEAR(
        speeds({40, 3, 3, 3, 7, 10, 10, 100, 10, 10, 10, 10, 10, 10, 10, 10}).averageKmPerHour, 10.4, 0.001);
    // Two fixes of one moment: a step of no time is no speed, however far.
    const TrackStats still = ComputeStats(Track({At(0, 0, kMinute), At(0, 0.001, kMinute)}), StatsOptions());
    EXPECT_EQ(std::make_pair(still.maximumKmPerHour, still.averageKmPerHour), std::make_pair(0.0, 0.0));
    EXPECT_EQ(still.movingMillis, 0);
}

// The tree's answer is the scan's, first of equals included, some points without a place.
TEST(FarthestPoint, AnswersAsAScanOfEveryPoint) {
    uint64_t state = 88172645463325252ull;
    auto next = [&] {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        return state;
    };
    const auto shapes = {"grid", "wander", "teeth", "equal", "equator"};
    for (const std::string shape : shapes) {
        std::vector<UnitVector> vectors;
        std::vector<bool> placed;
        for (size_t i = 0; i < 3001; ++i) {  // odd: the halves differ in size
            const double jitter = static_cast<double>(next() % 1000) / 1000.0 - 0.5;
            const size_t row = i / 50, along = row % 2 ? 49 - i % 50 : i % 50;
            double north = 0, east = (i % 2) * 5.0;  // equal: two places, again and again
            if (shape == "grid") north = 20.0 * row + jitter, east = 2.0 * along;
            if (shape == "wander") north = std::sin(i * 0.01) * 300 + jitter, east = i * 0.7;
            // Both sides of a line, teeth of every height.
            if (shape == "teeth")
                north = ((i / 80) % 2 ? 1.0 : -1.0) * static_cast<double>(i % 113), east = i * 2.0;
            // Back and forth across the equator, a thousand kilometres either side: the boxes'
            // z changes sign, and many a query's two ends are the same place.
            if (shape == "equator")
                north = ((i % 2) ? 1e6 : -1e6) + jitter * 1e5 * (i % 4 / 2) - 45 / kMetreInDegrees, east = 0;
            vectors.push_back(ToUnitVector(45 + north * kMetreInDegrees, 7 + east * kMetreInDegrees * 1.43));
            placed.push_back(next() % 10 != 0);
        }
        const FarthestPoint tree(vectors, placed);
        for (int query = 0; query < 2000; ++query) {
            size_t first = next() % vectors.size(), last = next() % vectors.size();
            if (first > last) std::swap(first, last);
            const ArcGauge gauge(vectors[first], vectors[last]);
            std::pair<size_t, double> scanned{last, -1};
            for (size_t i = first + 1; i < last; ++i) {
                const double chord = gauge.SquaredChord(vectors[i]);
                if (placed[i] && chord > scanned.second) scanned = {i, chord};
            }
            ASSERT_EQ(scanned, tree.Find(first, last)) << shape << " " << first << ".." << last;
        }
    }
}

}  // namespace
}  // namespace vezuved_cli
