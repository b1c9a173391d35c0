#include <cstring>

#include "formats/format_file.h"
#include "layouts/layouts.h"
#include "record/columns.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

int ParsePointLine(const char* line, PointRecord* record, int mode) {
    return ReadLayoutLine(line, record, mode, LayoutSettingsOf(State()));
}

// The record's fields as "latitude|longitude|elevation|time|name|icon|desc".
std::string Fields(OwnedRecord& r) {
    std::string out;
    for (const char* f : {r->latitude, r->longitude, r->elevation, r->time, r->name, r->icon})
        out += std::string(f) + "|";
    return out + r.desc();
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

// Each case's definition lines are applied to a fresh state first.
TEST_F(FreshState, RecordLinesGiveTheModesFields) {
    const struct {
        int mode;
        const char *definition, *line, *fields;  // fields as Fields gives them
    } cases[] = {
        {0,
         "",
         "45.5,-122.25,100,143005 24122004,Home,House,\"Gate, back\"",
         "45.5000000|-122.2500000|100|143005 24122004|Home|House|Gate, back"},
        {0, "", "45.5*-122.25*100**Home*House*", "45.5000000|-122.2500000|100||Home|House|<null>"},
        {0,
         "",
         "  45.5  ,-1,  12 ,14:30:05,  Camp  , Flag ,note, more",
         "45.5000000|-1.0000000|12|143005 01012000|Camp|Flag|note"},
        {0, "", "", "0.0000000|0.0000000|||||<null>"},
        // Database lines are always plain numbers, whatever layout is active.
        {0, "", "S45 30,W122 30,,,,,", "-45.5000000|-122.5000000|||||<null>"},
        {5, "FieldLen=8,9", "45.50000-122.2500", "45.5000000|-122.2500000|||||<null>"},
        // Widths run past the line's end: columns stop at the end.
        {5, "FieldLen=4,100,3\nName=2", "12345", "1234.0000000|5.0000000|||||<null>"},
        {5,
         "FieldLen=2,2,5,6\nElevation=-1\nTime=-1\nDesc=2\nName=3",
         "1020note Camp  ",
         "10.0000000|20.0000000|||Camp||note "},
        {5, "FieldLen=-3,2", "1234", "0.0000000|12.0000000|||||<null>"},
        {1,
         "Date=4\nName=7",
         "1,2,3,143005, 24122004 ,i,d,Name",
         "1.0000000|2.0000000|3|143005 24122004|Name|i|d"},
        {1, "Time=-1\nDate=3", "1,2,3,24122004,n,i,", "1.0000000|2.0000000|3|241220 01012000|n|i|<null>"},
        {1, "Date=7", "1,2,3,14:30:05,n,i,d,12/24/2004", "1.0000000|2.0000000|3|143005 01012000|n|i|d"},
        {1,
         "Name=0\nLatitude=1\nLongitude=2\nDesc=3\nElevation=-1\nTime=-1\nIcon=-1",
         "Camp,N45 30.5,W122 15,\"a, long note\"",
         "45.5083333|-122.2500000|||Camp||a, long note"},
        // Only the first 16 columns are split at once; the others are found one by one.
        {1,
         "Name=16\nIcon=17",
         "1,2,3,,,,d,7,8,9,10,11,12,13,14,15,Far,Icon",
         "1.0000000|2.0000000|3||Far|Icon|d"},
        {2, "", "1\t2\t3\t\tn\ti\td,e", "1.0000000|2.0000000|3||n|i|d,e"},
        {1, "", "1,2", "1.0000000|2.0000000|||||<null>"},
        {1, "Icon=-1\nDefaultIcon=Flag: red", "1,2,3,,n,ignored,d", "1.0000000|2.0000000|3||n|Flag: red|d"},
        {1, "EleFormat=m", "1,2,100,,n,i,", "1.0000000|2.0000000|328.0800000||n|i|<null>"},
        {1, "EleFormat=m", "1,2,,,n,i,", "1.0000000|2.0000000|||n|i|<null>"},
        {1, "LocFormat=Comp", "4530xx12,12230xx00,,,,,", "45.5020000|122.5000000|||||<null>"},
        {1, "LocFormat=DegNoSpace", "N4530.123,W12230.5,,,,,", "45.5020500|-122.5083333|||||<null>"},
    };
    for (const auto& c : cases) {
        RestoreInitialState();
        ParseFormatText(c.definition, std::strlen(c.definition), nullptr);
        OwnedRecord r;
        ASSERT_EQ(ParsePointLine(c.line, &r.record, c.mode), 0) << c.line;
        EXPECT_EQ(Fields(r), c.fields) << c.line;
    }
}

// Waypoint lines only; each gets an empty description of the Garmin size.
TEST_F(FreshState, GarminLinesFillOnlyWaypoints) {
    const struct {
        const char *line, *fields;  // fields null: the line is refused
    } cases[] = {
        {"Waypoint\tHome\tnote\tUser Waypoint\tN45 30.123 W122 40.456\t100",
         "N45 30.123|W122 40.456|||Home||"},
        {"WAYPOINT\tone\t\t\tN45.5 W122.25", "||||one||"},
        {"WAYPOINTS\tx\t\t\tN45 30 W1 2", nullptr},
        {"Trackpoint\tN45 30 W1 2", nullptr},
    };
    for (const auto& c : cases) {
        OwnedRecord r;
        ASSERT_TRUE(DescSetCopy(r.record, "old"));
        EXPECT_EQ(ParsePointLine(c.line, nullptr, kLayoutGarmin), c.fields ? 0 : -1) << c.line;
        ASSERT_EQ(ParsePointLine(c.line, &r.record, kLayoutGarmin), c.fields ? 0 : -1) << c.line;
        if (c.fields == nullptr) continue;
        EXPECT_EQ(Fields(r), c.fields) << c.line;
        EXPECT_EQ(DescCapacity(DescText(r.record)), kGarminDescSize);
    }
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
