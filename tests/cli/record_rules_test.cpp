// What the tool does to points on their way into a record: the one rule for
// points an output refuses, segments joined or split, and times to the
// millisecond. The tool's own runs (tool_records_test) show the rest.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "map_reading.h"
#include "values/iso_time.h"
#include "values/point_sets.h"
#include "values/values.h"

namespace vezuved_cli {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The record keeps whole milliseconds after the point, with at least two
// digits; what finer ISO text gives is rounded to the nearest millisecond.
TEST(RecordTimes, MillisecondsAreWholeNumbersAfterThePoint) {
    const int64_t six = 1628920800000;  // 2021-08-14T06:00:00Z
    const struct {
        const char* iso;
        int64_t millis;
        const char* record;
    } cases[] = {
        {"2021-08-14T06:00:00.001Z", six + 1, "060000.01 14082021"},
        {"2021-08-14T06:00:00.005Z", six + 5, "060000.05 14082021"},
        {"2021-08-14T06:00:00.05Z", six + 50, "060000.50 14082021"},
        {"2021-08-14T06:00:00.099Z", six + 99, "060000.99 14082021"},
        {"2021-08-14T06:00:00.999Z", six + 999, "060000.999 14082021"},
        {"2021-08-14T06:00:00.0004Z", six, "060000 14082021"},
        {"2021-08-14T06:00:00.0015Z", six + 2, "060000.02 14082021"},
        {"2021-08-14T23:59:59.9996Z", six + 18 * 3600000, "000000 15082021"},
        {"2021-08-14T08:15:00.250Z", six + 8100250, "081500.250 14082021"},
        {"1970-01-01T00:00:00Z", 0, "000000 01011970"},
        {"1969-12-31T23:59:59.500Z", -500, "235959.500 31121969"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.iso);
        EXPECT_EQ(ParseIsoTime(c.iso), c.millis);
        EXPECT_EQ(FormatRecordTime(c.millis), c.record);
        EXPECT_EQ(RecordTime(c.record), c.millis);
        EXPECT_EQ(LibraryTimeText(*ParseIsoStamp(c.iso)), c.record);
    }
    // As the library counts a leg's time: 1234 after the point is 1.234 s.
    EXPECT_EQ(RecordTime("060000.1234 14082021"), six + 1234);
    EXPECT_EQ(RecordTime("060000.123456 14082021"), std::nullopt);
    // A time without a date stays on the library's 01012000.
    EXPECT_EQ(LibraryTimeText(*ParseIsoStamp("23:59:59.9996Z")), "000000 01012000");
    EXPECT_EQ(LibraryTimeText(*ParseIsoStamp("00:30:00.5+01:00")), "233000.500 01012000");
}

Point At(std::optional<double> latitude,
         std::optional<double> longitude,
         std::optional<double> metres = {},
         std::optional<double> feet = {}) {
    Point point;
    point.latitude = latitude;
    point.longitude = longitude;
    point.elevationMetres = metres;
    point.elevationFeet = feet;
    return point;
}

TEST(PointRule, OneRuleNamesTheValue) {
    const struct {
        Point point;
        const char* fault;
    } cases[] = {
        {At(45.5, 7.5, 100000.0), ""},
        {At(-90.0, 180.0, {}, -32808.0), ""},
        {At({}, 7.5), "no latitude"},
        {At(45.5, {}), "no longitude"},
        {At(91.0, -200.0), "latitude 91 is outside -90..90"},
        {At(45.5, -200.0), "longitude -200 is outside -180..180"},
        {At(kNaN, 7.5), "latitude nan is outside -90..90"},
        {At(45.5, kInfinity), "longitude inf is outside -180..180"},
        {At(45.5, 7.5, 1e300), "elevation 1e+300 m is beyond 100000 m"},
        {At(45.5, 7.5, kNaN), "elevation nan m is beyond 100000 m"},
        {At(45.5, 7.5, -100001.0), "elevation -100001 m is beyond 100000 m"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PointFault(c.point), c.fault);
        EXPECT_EQ(HasValidPosition(c.point), std::string(c.fault).empty()) << c.fault;
    }
}

PointSet Track(std::vector<Point> points, std::vector<size_t> starts = {}) {
    PointSet set;
    set.title = "Run";
    set.kind = VEZUVED_KIND_TRACK;
    set.points = std::move(points);
    for (size_t i : starts) set.points[i].segmentStart = true;
    return set;
}

TEST(Segments, JoinedWithOneWarningOrSplitIntoNumberedSets) {
    const PointSet set = Track({At(1, 1), At(2, 2), At(3, 3), At(4, 4), At(5, 5)}, {2, 3});
    EXPECT_EQ(
        JoinedSegmentsWarning("out.pdb", set),
        "vezuved: warning: 'out.pdb': track 'Run': 3 segments joined (--split-segments writes one file per "
        "segment)\n");
    EXPECT_EQ(JoinedSegmentsWarning("out.pdb", Track({At(1, 1), At(2, 2)})), "");
    // Each a track of its own, numbered, with no segment break left.
    EXPECT_EQ(Summary(SplitSegments(set)), "T 'Run-1': 1,1 2,2; T 'Run-2': 3,3; T 'Run-3': 4,4 5,5");
    PointSet waypoints = set;
    waypoints.kind = VEZUVED_KIND_POINT;
    EXPECT_EQ(SplitSegments(waypoints).size(), 1u);
    EXPECT_EQ(SplitSegments(Track({At(1, 1)})).front().title, "Run");
}

}  // namespace
}  // namespace vezuved_cli
