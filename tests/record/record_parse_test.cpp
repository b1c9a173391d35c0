#include <cstring>

#include "record/columns.h"
#include "record/record_parse.h"
#include "support/test_support.h"

namespace {

struct ParsedFields {
    const char* latitude;
    const char* longitude;
    const char* elevation;
    const char* time;
    const char* name;
    const char* icon;
    const char* desc;  // "<null>" when none
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

struct RecordLineCase {
    const char* line;
    ParsedFields expected;
};

class RecordLineParse : public FreshState, public ::testing::WithParamInterface<RecordLineCase> {};

TEST_P(RecordLineParse, GivesCanonicalFields) {
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, kModeRecordLine), 0);
    ExpectFields(r, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordLineParse,
    ::testing::Values(
        RecordLineCase{"45.5,-122.25,100,143005 24122004,Home,House,\"Gate code, back door\"",
                       {"45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House",
                        "Gate code, back door"}},
        RecordLineCase{"45.5*-122.25*100**Home*House*",
                       {"45.5000000", "-122.2500000", "100", "", "Home", "House", "<null>"}},
        RecordLineCase{"  45.5  ,-1,  12 ,14:30:05,  Camp  , Flag ,note, with more",
                       {"45.5000000", "-1.0000000", "12", "143005 01012000", "Camp", "Flag",
                        "note"}},
        RecordLineCase{"", {"0.0000000", "0.0000000", "", "", "", "", "<null>"}},
        // Column 6 holds a quoted separator; columns after it are ignored.
        RecordLineCase{"1,2,,,a,b,\"x*y\",ignored", {"1.0000000", "2.0000000", "", "", "a", "b", "x*y"}},
        // Database lines are always plain numbers, whatever layout is active.
        RecordLineCase{"S45 30,W122 30,,,,,", {"-45.5000000", "-122.5000000", "", "", "", "", "<null>"}}));

TEST_F(FreshState, LongColumnsAreCutToTheirFields) {
    std::string name(300, 'n');
    std::string line = std::string(40, '1') + ",2,3,4," + name + ",i,d";
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(line.c_str(), &r.record, kModeRecordLine), 0);
    EXPECT_EQ(std::strlen(r->name), 255u);
    EXPECT_EQ(r.desc(), "d");
}

TEST_F(FreshState, ReusedDescriptionBufferGrowsInsteadOfOverflowing) {
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine("1,2,3,4,n,i,ab", &r.record, kModeRecordLine), 0);
    std::string longDesc(5000, 'x');
    std::string line = "1,2,3,4,n,i," + longDesc;
    ASSERT_EQ(ParsePointLine(line.c_str(), &r.record, kModeRecordLine), 0);
    EXPECT_EQ(r.desc(), longDesc);
    // A later line without a description empties the kept buffer.
    ASSERT_EQ(ParsePointLine("1,2,3,4,n,i,", &r.record, kModeRecordLine), 0);
    EXPECT_EQ(r.desc(), "");
}

struct DelimitedCase {
    const char* name;
    int mode;
    std::vector<std::pair<int, int16_t>> map;  // slot -> column
    const char* line;
    ParsedFields expected;
};

class DelimitedParse : public FreshState, public ::testing::WithParamInterface<DelimitedCase> {};

TEST_P(DelimitedParse, FollowsTheColumnMap) {
    for (auto [slot, column] : GetParam().map) State().FieldMap[slot] = column;
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, GetParam().mode), 0);
    ExpectFields(r, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DelimitedParse,
    ::testing::Values(
        DelimitedCase{"DateColumnJoinsTime", 1, {{kSlotDate, 4}, {kSlotName, 7}},
                      "1,2,3,143005, 24122004 ,i,d,Name",
                      {"1.0000000", "2.0000000", "3", "143005 24122004", "Name", "i", "d"}},
        DelimitedCase{"DateAloneReadsAsCompactTime", 1, {{kSlotTime, -1}, {kSlotDate, 3}},
                      "1,2,3,24122004,n,i,",
                      {"1.0000000", "2.0000000", "3", "241220 01012000", "n", "i", "<null>"}},
        DelimitedCase{"SeparatedTimeIgnoresDate", 1, {{kSlotDate, 7}},
                      "1,2,3,14:30:05,n,i,d,12/24/2004",
                      {"1.0000000", "2.0000000", "3", "143005 01012000", "n", "i", "d"}},
        DelimitedCase{"NameFirstWithDescriptionInColumn3", 1,
                      {{kSlotName, 0}, {kSlotLatitude, 1}, {kSlotLongitude, 2}, {kSlotDesc, 3},
                       {kSlotElevation, -1}, {kSlotTime, -1}, {kSlotIcon, -1}},
                      "Camp,N45 30.5,W122 15,\"a, long note\"",
                      {"45.5083333", "-122.2500000", "", "", "Camp", "", "a, long note"}},
        DelimitedCase{"TabLayout", 2, {}, "1\t2\t3\t\tn\ti\td,e",
                      {"1.0000000", "2.0000000", "3", "", "n", "i", "d,e"}},
        DelimitedCase{"MissingColumnsAreEmpty", 1, {}, "1,2",
                      {"1.0000000", "2.0000000", "", "", "", "", "<null>"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FreshState, TabModeLeavesTabAsTheDelimiter) {
    OwnedRecord r;
    ParsePointLine("1\t2", &r.record, kModeTab);
    EXPECT_EQ(State().Delimited, '\t');
}

TEST_F(FreshState, NoIconColumnGivesTheDefaultIcon) {
    State().FieldMap[kSlotIcon] = -1;
    State().DefaultIcon = "Flag: red";
    OwnedRecord r;
    ParsePointLine("1,2,3,,n,ignored,d", &r.record, kModeComma);
    EXPECT_STREQ(r->icon, "Flag: red");
}

TEST_F(FreshState, MetresBecomeFeetAndEmptyElevationStaysEmpty) {
    State().EleFormat = 1;
    OwnedRecord r;
    ParsePointLine("1,2,100,,n,i,", &r.record, kModeComma);
    EXPECT_STREQ(r->elevation, "328.0800000");
    ParsePointLine("1,2,,,n,i,", &r.record, kModeComma);
    EXPECT_STREQ(r->elevation, "");
}

TEST_F(FreshState, LocationFormatsSelectTheirParsers) {
    OwnedRecord r;
    State().LocFormat = 2;  // Comp
    ParsePointLine("4530xx12,12230xx00,,,,,", &r.record, kModeComma);
    EXPECT_STREQ(r->latitude, "45.5020000");
    EXPECT_STREQ(r->longitude, "122.5000000");
    State().LocFormat = 3;  // DegNoSpace
    ParsePointLine("N4530.123,W12230.5,,,,,", &r.record, kModeComma);
    EXPECT_STREQ(r->latitude, "45.5020500");
    EXPECT_STREQ(r->longitude, "-122.5083333");
}

struct WaypointCase {
    const char* line;
    int result;
    const char* name;
    const char* latitude;
    const char* longitude;
};

class WaypointParse : public FreshState, public ::testing::WithParamInterface<WaypointCase> {};

TEST_P(WaypointParse, ReadsOnlyWaypointLines) {
    OwnedRecord r;
    EXPECT_EQ(ParsePointLine(GetParam().line, nullptr, kModeGarmin), GetParam().result);
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, kModeGarmin), GetParam().result);
    if (GetParam().result != 0) return;
    EXPECT_STREQ(r->name, GetParam().name);
    EXPECT_STREQ(r->latitude, GetParam().latitude);
    EXPECT_STREQ(r->longitude, GetParam().longitude);
    EXPECT_STREQ(r->time, "");
    ASSERT_NE(DescText(r.record), nullptr);
    EXPECT_EQ(DescCapacity(DescText(r.record)), kGarminDescSize);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WaypointParse,
    ::testing::Values(
        WaypointCase{"Waypoint\tHome\tnote\tUser Waypoint\tN45 30.123 W122 40.456\t100", 0, "Home",
                     "N45 30.123", "W122 40.456"},
        WaypointCase{"waypoint\tx\t\t\tN45 30 W1 2", 0, "x", "N45 30", "W1 2"},
        WaypointCase{"WAYPOINT\tone\t\t\tN45.5 W122.25", 0, "one", "", ""},
        WaypointCase{"WAYPOINTS\tx\t\t\tN45 30 W1 2", -1, "", "", ""},
        WaypointCase{"Trackpoint\tN45 30 W1 2", -1, "", "", ""},
        WaypointCase{"", -1, "", "", ""}));

TEST_F(FreshState, WaypointLineReplacesAnExistingBuffer) {
    OwnedRecord r;
    ASSERT_TRUE(DescSetCopy(r.record, "old"));
    ASSERT_EQ(ParsePointLine("WAYPOINT\tA\t\t\tN1 2 W3 4", &r.record, kModeGarmin), 0);
    EXPECT_EQ(r.desc(), "");
}

TEST_F(FreshState, WholeLineModesKeepTheLineAsDescription) {
    for (int mode : {kModePlain, kModeSurvey}) {
        OwnedRecord r;
        ASSERT_EQ(ParsePointLine("<any, text*here>", &r.record, mode), 0);
        EXPECT_EQ(r.desc(), "<any, text*here>");
        EXPECT_STREQ(r->latitude, "");
    }
}

struct FixedCase {
    const char* widths;
    std::vector<std::pair<int, int16_t>> map;
    const char* line;
    ParsedFields expected;
};

class FixedParse : public FreshState, public ::testing::WithParamInterface<FixedCase> {};

TEST_P(FixedParse, CutsColumnsByWidth) {
    State().FieldLen = GetParam().widths;
    for (auto [slot, column] : GetParam().map) State().FieldMap[slot] = column;
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(GetParam().line, &r.record, kModeFixed), 0);
    ExpectFields(r, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FixedParse,
    ::testing::Values(
        FixedCase{"8,9", {}, "45.50000-122.2500", {"45.5000000", "-122.2500000", "", "", "", "", "<null>"}},
        // Widths run past the line's end: columns stop at the end.
        FixedCase{"4,100,3", {{kSlotName, 2}}, "12345", {"1234.0000000", "5.0000000", "", "", "", "", "<null>"}},
        FixedCase{"2,2,5,6", {{kSlotElevation, -1}, {kSlotTime, -1}, {kSlotDesc, 2}, {kSlotName, 3}}, "1020note Camp  ",
                  {"10.0000000", "20.0000000", "", "", "Camp", "", "note "}},
        FixedCase{"-3,2", {}, "1234", {"0.0000000", "12.0000000", "", "", "", "", "<null>"}},
        FixedCase{"400", {{kSlotName, 0}, {kSlotLatitude, -1}}, "x",
                  {"0.0000000", "0.0000000", "", "", "x", "", "<null>"}}));

TEST(Columns, FindColumnCountsSeparatorsOutsideQuotes) {
    const char* line = "a,\"b,c\",d";
    EXPECT_EQ(FindColumn(line, 0, ','), line);
    EXPECT_EQ(FindColumn(line, 2, ','), line + 8);
    EXPECT_EQ(FindColumn(line, 5, ','), line + 9);
    const char* mixed = "a*b,c";
    EXPECT_EQ(FindColumn(mixed, 2, kRecordSeparators), mixed + 4);
}

TEST(Columns, GetColumnStopsAtTheMaximum) {
    char out[8];
    GetColumn("abcdefgh,x", out, 0, 3, ',');
    EXPECT_STREQ(out, "abc");
    GetColumn("a,x", out, -1, 3, ',');
    EXPECT_STREQ(out, "");
    GetRecordColumn("a*\"q,r\"", out, 1, 7);
    EXPECT_STREQ(out, "q,r");
}

}  // namespace
