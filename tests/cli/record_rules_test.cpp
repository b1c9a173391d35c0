// Points on their way into a record: refused points, segments, times.
#include <limits>

#include "library_names.h"
#include "map_reading.h"
#include "sets/iso_time.h"
#include "sets/number_text.h"
#include "sets/points.h"
#include "tool_runner.h"
#include "values/point_sets.h"

namespace vezuved_cli {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The times of tests/cli/data/record-times.tsv, each way.
TEST(RecordTimes, MillisecondsAreWholeNumbersAfterThePoint) {
    const int64_t six = 1628920800000;  // 2021-08-14T06:00:00Z
    const auto rows = cli_test::Rows(TestData("cli/data/record-times.tsv"));
    EXPECT_EQ(rows.size(), 11u);
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        const int64_t millis = std::stoll(row.at(1));
        EXPECT_EQ(ParseIsoTime(row[0]), millis);
        EXPECT_EQ(FormatRecordTime(millis), row.at(2));
        EXPECT_EQ(RecordTime(row[2]), millis);
        EXPECT_EQ(LibraryTimeText(*ParseIsoStamp(row[0])), row[2]);
    }
    EXPECT_EQ(RecordTime("060000.1234 14082021"), six + 1234);  // as the library counts a leg's time
    EXPECT_EQ(RecordTime("060000.123456 14082021"), std::nullopt);
    // No such hour, minute, second, month or day; no digits.
    const char* const impossible[] = {"0:0000 14082021",  // ":" would count ten
                                      "060000 1:082021",
                                      "240000 14082021",
                                      "066000 14082021",
                                      "060060 14082021",
                                      "060000 01132021",
                                      "060000 14002021",
                                      "060000 00082021",
                                      "060000 29022021",
                                      "060000 14080000"};
    for (const char* text : impossible) EXPECT_EQ(RecordTime(text), std::nullopt) << text;
    // A time without a date stays on the library's 01012000.
    EXPECT_EQ(LibraryTimeText(*ParseIsoStamp("23:59:59.9996Z")), "000000 01012000");
    EXPECT_EQ(LibraryTimeText(*ParseIsoStamp("00:30:00.5+01:00")), "233000.500 01012000");
}

// The library's point, whose rule this is.
vezuved::maps::Point At(std::optional<double> latitude,
                        std::optional<double> longitude,
                        std::optional<double> metres = {},
                        std::optional<double> feet = {}) {
    vezuved::maps::Point point;
    point.latitude = latitude, point.longitude = longitude, point.elevationMetres = metres;
    point.elevationFeet = feet;
    return point;
}

TEST(PointRule, OneRuleNamesTheValue) {
    const struct {
        vezuved::maps::Point point;
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

PointSet Track(const std::vector<vezuved::maps::Point>& places, std::vector<size_t> starts = {}) {
    PointSet set;
    set.title = "Run";
    set.kind = VEZUVED_KIND_TRACK;
    for (const vezuved::maps::Point& place : places) {
        set.points.emplace_back();
        set.points.back().latitude = place.latitude, set.points.back().longitude = place.longitude;
    }
    for (size_t i : starts) set.points[i].segmentStart = true;
    return set;
}

TEST(Segments, JoinedWithOneWarningOrSplitIntoNumberedSets) {
    const PointSet set = Track({At(1, 1), At(2, 2), At(3, 3), At(4, 4), At(5, 5)}, {2, 3});
    EXPECT_EQ(
        JoinedSegmentsWarning("out.pdb", set, SegmentCount(set)),
        "vezuved: warning: 'out.pdb': track 'Run': 3 segments joined (--split-segments writes one file per "
        "segment)\n");
    const PointSet one = Track({At(1, 1), At(2, 2)});
    EXPECT_EQ(SegmentCount(one), 1u);
    EXPECT_EQ(JoinedSegmentsWarning("out.pdb", one, SegmentCount(one)), "");
    // Each a track of its own, numbered, with no segment break left.
    EXPECT_EQ(Summary(SplitSegments(set)), "T 'Run-1': 1,1 2,2; T 'Run-2': 3,3; T 'Run-3': 4,4 5,5");
    PointSet waypoints = set;
    waypoints.kind = VEZUVED_KIND_POINT;
    EXPECT_EQ(SplitSegments(waypoints).size(), 1u);
    EXPECT_EQ(SplitSegments(Track({At(1, 1)})).front().title, "Run");
}

}  // namespace
}  // namespace vezuved_cli
