#include <cstring>

#include "layouts/layouts.h"
#include "record/columns.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

int ParsePointLine(const char* line, PointRecord* record, int mode) {
    return ReadLayoutLine(line, record, mode, LayoutSettingsOf(State()));
}

struct ParsedFields {
    const char *latitude, *longitude, *elevation, *time, *name, *icon, *desc;  // desc "<null>" when none
};

void ExpectFields(OwnedRecord& r, const ParsedFields& f) {
    EXPECT_STREQ(r->latitude, f.latitude);
    EXPECT_STREQ(r->longitude, f.longitude);
    EXPECT_STREQ(r->elevation, f.elevation);
    EXPECT_STREQ(r->time, f.time);
    EXPECT_STREQ(r->name, f.name);
    EXPECT_STREQ(r->icon, f.icon);
    EXPECT_EQ(r.desc(), f.desc);
}

TEST_F(FreshState, LongColumnsAreCutToTheirFields) {
    std::string name(300, 'n');
    std::string line = std::string(40, '1') + ",2,3,4," + name + ",i,d";
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(line.c_str(), &r.record, kLayoutRecordLine), 0);
    EXPECT_EQ(std::strlen(r->name), 255u);
    EXPECT_EQ(r.desc(), "d");
}

TEST_F(FreshState, ReusedDescriptionBufferGrowsInsteadOfOverflowing) {
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine("1,2,3,4,n,i,ab", &r.record, kLayoutRecordLine), 0);
    std::string longDesc(5000, 'x');
    std::string line = "1,2,3,4,n,i," + longDesc;
    ASSERT_EQ(ParsePointLine(line.c_str(), &r.record, kLayoutRecordLine), 0);
    EXPECT_EQ(r.desc(), longDesc);
    // A later line without a description empties the kept buffer.
    ASSERT_EQ(ParsePointLine("1,2,3,4,n,i,", &r.record, kLayoutRecordLine), 0);
    EXPECT_EQ(r.desc(), "");
}

struct ParseCase {
    const char* name;
    int mode;
    std::vector<std::pair<int, int16_t>> map;  // slot -> column
    const char* line;
    ParsedFields expected;
    void (*setup)() = [] {};
};

class RecordLineParse : public FreshState, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(RecordLineParse, GivesTheModesFields) {
    for (auto [slot, column] : GetParam().map) State().FieldMap[slot] = column;
    GetParam().setup();
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, GetParam().mode), 0);
    ExpectFields(r, GetParam().expected);
}

using M = std::vector<std::pair<int, int16_t>>;
void Fixed(const char* widths) { State().FieldLen = widths; }
const char* const kNull = "<null>";

INSTANTIATE_TEST_SUITE_P(
    Lines,
    RecordLineParse,
    ::testing::Values(
        ParseCase{"QuotedDescription",
                  kLayoutRecordLine,
                  {},
                  "45.5,-122.25,100,143005 24122004,Home,House,\"Gate code, back door\"",
                  {"45.5000000",
                   "-122.2500000",
                   "100",
                   "143005 24122004",
                   "Home",
                   "House",
                   "Gate code, back door"}},
        ParseCase{"StarSeparatorsAndEmptyDescription",
                  kLayoutRecordLine,
                  {},
                  "45.5*-122.25*100**Home*House*",
                  {"45.5000000", "-122.2500000", "100", "", "Home", "House", kNull}},
        ParseCase{"SpacesTrimmedAndShortTime",
                  kLayoutRecordLine,
                  {},
                  "  45.5  ,-1,  12 ,14:30:05,  Camp  , Flag ,note, with more",
                  {"45.5000000", "-1.0000000", "12", "143005 01012000", "Camp", "Flag", "note"}},
        ParseCase{"EmptyLine", kLayoutRecordLine, {}, "", {"0.0000000", "0.0000000", "", "", "", "", kNull}},
        // Database lines are always plain numbers, whatever layout is active.
        ParseCase{"HemisphereFormsAreReadAsNumbers",
                  kLayoutRecordLine,
                  {},
                  "S45 30,W122 30,,,,,",
                  {"-45.5000000", "-122.5000000", "", "", "", "", kNull}},
        ParseCase{"FixedWidths",
                  kLayoutFixed,
                  {},
                  "45.50000-122.2500",
                  {"45.5000000", "-122.2500000", "", "", "", "", kNull},
                  [] { Fixed("8,9"); }},
        // Widths run past the line's end: columns stop at the end.
        ParseCase{"FixedWidthsPastTheLineEnd",
                  kLayoutFixed,
                  M{{kSlotName, 2}},
                  "12345",
                  {"1234.0000000", "5.0000000", "", "", "", "", kNull},
                  [] { Fixed("4,100,3"); }},
        ParseCase{"FixedWidthsWithMap",
                  kLayoutFixed,
                  M{{kSlotElevation, -1}, {kSlotTime, -1}, {kSlotDesc, 2}, {kSlotName, 3}},
                  "1020note Camp  ",
                  {"10.0000000", "20.0000000", "", "", "Camp", "", "note "},
                  [] { Fixed("2,2,5,6"); }},
        ParseCase{"FixedNegativeWidth",
                  kLayoutFixed,
                  {},
                  "1234",
                  {"0.0000000", "12.0000000", "", "", "", "", kNull},
                  [] { Fixed("-3,2"); }},
        ParseCase{"DateColumnJoinsTime",
                  1,
                  M{{kSlotDate, 4}, {kSlotName, 7}},
                  "1,2,3,143005, 24122004 ,i,d,Name",
                  {"1.0000000", "2.0000000", "3", "143005 24122004", "Name", "i", "d"}},
        ParseCase{"DateAloneReadsAsCompactTime",
                  1,
                  M{{kSlotTime, -1}, {kSlotDate, 3}},
                  "1,2,3,24122004,n,i,",
                  {"1.0000000", "2.0000000", "3", "241220 01012000", "n", "i", kNull}},
        ParseCase{"SeparatedTimeIgnoresDate",
                  1,
                  M{{kSlotDate, 7}},
                  "1,2,3,14:30:05,n,i,d,12/24/2004",
                  {"1.0000000", "2.0000000", "3", "143005 01012000", "n", "i", "d"}},
        ParseCase{"NameFirstWithDescriptionInColumn3",
                  1,
                  M{{kSlotName, 0},
                    {kSlotLatitude, 1},
                    {kSlotLongitude, 2},
                    {kSlotDesc, 3},
                    {kSlotElevation, -1},
                    {kSlotTime, -1},
                    {kSlotIcon, -1}},
                  "Camp,N45 30.5,W122 15,\"a, long note\"",
                  {"45.5083333", "-122.2500000", "", "", "Camp", "", "a, long note"}},
        ParseCase{
            "TabLayout", 2, {}, "1\t2\t3\t\tn\ti\td,e", {"1.0000000", "2.0000000", "3", "", "n", "i", "d,e"}},
        ParseCase{"MissingColumnsAreEmpty", 1, {}, "1,2", {"1.0000000", "2.0000000", "", "", "", "", kNull}},
        ParseCase{"NoIconColumnGivesTheDefaultIcon",
                  1,
                  M{{kSlotIcon, -1}},
                  "1,2,3,,n,ignored,d",
                  {"1.0000000", "2.0000000", "3", "", "n", "Flag: red", "d"},
                  [] { State().DefaultIcon = "Flag: red"; }},
        ParseCase{"MetresBecomeFeet",
                  1,
                  {},
                  "1,2,100,,n,i,",
                  {"1.0000000", "2.0000000", "328.0800000", "", "n", "i", kNull},
                  [] { State().EleFormat = 1; }},
        ParseCase{"EmptyMetresStayEmpty",
                  1,
                  {},
                  "1,2,,,n,i,",
                  {"1.0000000", "2.0000000", "", "", "n", "i", kNull},
                  [] { State().EleFormat = 1; }},
        ParseCase{"CompLocations",
                  1,
                  {},
                  "4530xx12,12230xx00,,,,,",
                  {"45.5020000", "122.5000000", "", "", "", "", kNull},
                  [] { State().LocFormat = 2; }},
        ParseCase{"DegNoSpaceLocations",
                  1,
                  {},
                  "N4530.123,W12230.5,,,,,",
                  {"45.5020500", "-122.5083333", "", "", "", "", kNull},
                  [] { State().LocFormat = 3; }}),
    [](const auto& info) { return std::string(info.param.name); });

struct WaypointCase {
    const char* line;
    int result;
    const char *name, *latitude, *longitude;
};

class WaypointParse : public FreshState, public ::testing::WithParamInterface<WaypointCase> {};

TEST_P(WaypointParse, ReadsOnlyWaypointLines) {
    OwnedRecord r;
    EXPECT_EQ(ParsePointLine(GetParam().line, nullptr, kLayoutGarmin), GetParam().result);
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, kLayoutGarmin), GetParam().result);
    if (GetParam().result != 0) return;
    EXPECT_STREQ(r->name, GetParam().name);
    EXPECT_STREQ(r->latitude, GetParam().latitude);
    EXPECT_STREQ(r->longitude, GetParam().longitude);
    EXPECT_STREQ(r->time, "");
    ASSERT_NE(DescText(r.record), nullptr);
    EXPECT_EQ(DescCapacity(DescText(r.record)), kGarminDescSize);
}

INSTANTIATE_TEST_SUITE_P(
    Lines,
    WaypointParse,
    ::testing::Values(WaypointCase{"Waypoint\tHome\tnote\tUser Waypoint\tN45 30.123 W122 40.456\t100",
                                   0,
                                   "Home",
                                   "N45 30.123",
                                   "W122 40.456"},
                      WaypointCase{"WAYPOINT\tone\t\t\tN45.5 W122.25", 0, "one", "", ""},
                      WaypointCase{"WAYPOINTS\tx\t\t\tN45 30 W1 2", -1, "", "", ""},
                      WaypointCase{"Trackpoint\tN45 30 W1 2", -1, "", "", ""}));

TEST_F(FreshState, WaypointLineReplacesAnExistingBuffer) {
    OwnedRecord r;
    ASSERT_TRUE(DescSetCopy(r.record, "old"));
    ASSERT_EQ(ParsePointLine("WAYPOINT\tA\t\t\tN1 2 W3 4", &r.record, kLayoutGarmin), 0);
    EXPECT_EQ(r.desc(), "");
}

TEST_F(FreshState, WholeLineModesKeepTheLineAsDescription) {
    for (int mode : {kLayoutPlain, kLayoutSurvey}) {
        OwnedRecord r;
        ASSERT_EQ(ParsePointLine("<any, text*here>", &r.record, mode), 0);
        EXPECT_EQ(r.desc(), "<any, text*here>");
        EXPECT_STREQ(r->latitude, "");
    }
}

}  // namespace
