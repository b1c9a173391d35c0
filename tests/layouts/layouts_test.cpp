#include <cstring>
#include <string>

#include "convert/time_text.h"
#include "formats/format_file.h"
#include "layouts/column_text.h"
#include "layouts/layout_table.h"
#include "layouts/layouts.h"
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
    // A quoted column is cut as it is copied, its quotes left out.
    std::string line = std::string(40, '1') + ",2,3,4," + name + ",\"" + name + "\",d";
    OwnedRecord r;
    ASSERT_EQ(ParsePointLine(line.c_str(), &r.record, kLayoutRecordLine), 0);
    EXPECT_EQ(std::string(r->name), name.substr(0, 255));
    EXPECT_EQ(std::string(r->icon), name.substr(0, 255));
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
        struct {
            int mode;
            const char *definition, *line;
        } in;
        const char* fields;  // as Fields gives them
    } cases[] = {
        {{0, "", "45.5,-122.25,100,143005 24122004,Home,House,\"Gate, back\""},
         "45.5000000|-122.2500000|100|143005 24122004|Home|House|Gate, back"},
        {{0, "", "45.5*-122.25*100**Home*House*"}, "45.5000000|-122.2500000|100||Home|House|<null>"},
        {{0, "", "  45.5  ,-1,  12 ,14:30:05,  Camp  , Flag ,note, more"},
         "45.5000000|-1.0000000|12|143005 01012000|Camp|Flag|note"},
        {{0, "", ""}, "0.0000000|0.0000000|||||<null>"},
        // Database lines are always plain numbers, whatever layout is active.
        {{0, "", "S45 30,W122 30,,,,,"}, "-45.5000000|-122.5000000|||||<null>"},
        {{5, "FieldLen=8,9", "45.50000-122.2500"}, "45.5000000|-122.2500000|||||<null>"},
        // Widths run past the line's end: columns stop at the end.
        {{5, "FieldLen=4,100,3\nName=2", "12345"}, "1234.0000000|5.0000000|||||<null>"},
        {{5, "FieldLen=2,2,5,6\nElevation=-1\nTime=-1\nDesc=2\nName=3", "1020note Camp  "},
         "10.0000000|20.0000000|||Camp||note "},
        {{5, "FieldLen=-3,2", "1234"}, "0.0000000|12.0000000|||||<null>"},
        // A width is read from the first ten characters of its entry.
        {{5, "FieldLen=00000000008,9", "45.50000-122.2500"}, "0.0000000|45.5000000|||||<null>"},
        {{1, "Date=4\nName=7", "1,2,3,143005, 24122004 ,i,d,Name"},
         "1.0000000|2.0000000|3|143005 24122004|Name|i|d"},
        {{1, "Time=-1\nDate=3", "1,2,3,24122004,n,i,"}, "1.0000000|2.0000000|3|241220 01012000|n|i|<null>"},
        {{1, "Date=7", "1,2,3,14:30:05,n,i,d,12/24/2004"}, "1.0000000|2.0000000|3|143005 01012000|n|i|d"},
        {{1,
          "Name=0\nLatitude=1\nLongitude=2\nDesc=3\nElevation=-1\nTime=-1\nIcon=-1",
          "Camp,N45 30.5,W122 15,\"a, long note\""},
         "45.5083333|-122.2500000|||Camp||a, long note"},
        // Only the first 16 columns are split at once; the others are found one by one.
        {{1, "Name=16\nIcon=17", "1,2,3,,,,d,7,8,9,10,11,12,13,14,15,Far,Icon"},
         "1.0000000|2.0000000|3||Far|Icon|d"},
        {{2, "", "1\t2\t3\t\tn\ti\td,e"}, "1.0000000|2.0000000|3||n|i|d,e"},
        {{1, "", "1,2"}, "1.0000000|2.0000000|||||<null>"},
        {{1, "Icon=-1\nDefaultIcon=Flag: red", "1,2,3,,n,ignored,d"}, "1.0000000|2.0000000|3||n|Flag: red|d"},
        {{1, "EleFormat=m", "1,2,100,,n,i,"}, "1.0000000|2.0000000|328.0800000||n|i|<null>"},
        {{1, "EleFormat=m", "1,2,,,n,i,"}, "1.0000000|2.0000000|||n|i|<null>"},
        {{1, "LocFormat=Comp", "4530xx12,12230xx00,,,,,"}, "45.5020000|122.5000000|||||<null>"},
        // Plain and survey lines are kept whole as the description.
        {{4, "", "<any, text*here>"}, "||||||<any, text*here>"},
        {{7, "", "<any, text*here>"}, "||||||<any, text*here>"},
    };
    for (const auto& c : cases) {
        RestoreInitialState();
        ParseFormatText(State(), c.in.definition, std::strlen(c.in.definition), nullptr);
        OwnedRecord r;
        ASSERT_EQ(ParsePointLine(c.in.line, &r.record, c.in.mode), 0) << c.in.line;
        EXPECT_EQ(Fields(r), c.fields) << c.in.line;
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

std::string Format(PointRecord& record, int32_t columns, int mode, int32_t kind, int32_t index) {
    std::string out;
    LayoutSettings settings = LayoutSettingsOf(State());
    settings.fieldCount = columns;
    EXPECT_EQ(FormatLayoutLine(record, mode, settings, kind, index, out), 0);
    return out;
}

using Formatting = FreshState;

void FillHome(OwnedRecord& r) {
    FillPoint(r.record, "45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House", "Gate 3");
}

// Each case changes the state or the record, then writes the record's line.
TEST_F(Formatting, RulesGiveTheExpectedLine) {
    const struct {
        struct {
            int32_t columns;
            int mode;
            const char* expected;
        } out;
        void (*setup)(OwnedRecord&);
    } cases[] = {
        {{7, 1, "45.5000000;-122.2500000;100;143005 24122004;Home;House;Gate 3"},
         [](OwnedRecord&) { State().Delimited = ';'; }},
        {{9, 1, "45.5000000,-122.2500000,100,143005 24122004,Home,House,Gate 3,,"}, [](OwnedRecord&) {}},
        {{0, 1, ""}, [](OwnedRecord&) {}},
        {{3, 2, "45.5000000\t-122.2500000\t100"}, [](OwnedRecord&) { State().Delimited = ','; }},
        // PCX5: no separator; labels only for empty fields.
        {{4, 6, "Home-122.2500000  "},
         [](OwnedRecord&) {
             State().FieldMap = {4, 1, -1, -1, 0, -1, -1, -1};
             State().FieldLabel[2] = std::string("  "), State().FieldLabel[1] = std::string("unused");
         }},
        {{7, 1, "45.5000000,o,n/a,t,n,i,d"},
         [](OwnedRecord& r) {
             r->longitude[0] = r->elevation[0] = r->time[0] = r->name[0] = r->icon[0] = '\0';
             DescSetCopy(r.record, "");
             const char* labels[] = {"", "o", "n/a", "t", "n", "i", "d"};
             for (int c = 1; c < 7; ++c) State().FieldLabel[c] = std::string(labels[c]);
         }},
        // Separators, '*' and line ends are quoted.
        {{7, 1, "45.5000000,-122.2500000,100,143005 24122004,\"Camp, North\",House,\"a*b\""},
         [](OwnedRecord& r) { CopyField(r->name, "Camp, North"), DescSetCopy(r.record, "a*b"); }},
        {{5, 1, "45.5000000,-122.2500000,100,143005 24122004,\"Camp\nNorth\""},
         [](OwnedRecord& r) { CopyField(r->name, "Camp\nNorth"); }},
        {{3, 1, "45.5000000,-122.2500000,99.9987840"},
         [](OwnedRecord& r) { State().EleFormat = 1, CopyField(r->elevation, "328.08"); }},
        {{1, 1, "12/24/2004 14:30.05"},
         [](OwnedRecord&) {
             State().DateStyle = 1, State().DateOrder = 2, State().DateSeparator = '/', State().TimeStyle = 1;
             State().DateFirst = 1, State().FieldMap = {3, -1, -1, 0, -1, -1, -1, -1};
         }},
    };
    for (const auto& c : cases) {
        RestoreInitialState();
        OwnedRecord r;
        FillHome(r);
        c.setup(r);
        EXPECT_EQ(Format(r.record, c.out.columns, c.out.mode, 0, 0), c.out.expected) << c.out.expected;
    }
}

TEST_F(Formatting, GarminLines) {
    OwnedRecord r;
    FillHome(r);
    CopyField(r->icon, "Symbols:Flag");
    CopyField(r->name, "Ho\tme");
    EXPECT_EQ(Format(r.record, 7, 3, 0, 0),
              "Waypoint\tHo me\tGate 3\tUser Waypoint\t45.5000000 -122.2500000\t100\t\t\t\t\t"
              "Flag\t\t\t\t\t\n");
    EXPECT_STREQ(r->name, "Ho me");  // blanked in the record itself
    State().DBKind = 2;              // route points are named by their index, only in route databases
    EXPECT_EQ(Format(r.record, 7, 3, 2, 0), "Route Waypoint\tRPT0001\t\t\t\n");
    EXPECT_EQ(Format(r.record, 7, 3, 0, 41).substr(0, 17), "Waypoint\tRPT0042\t");
    State().DBKind = 0;
    CopyField(r->name, "Home");
    EXPECT_EQ(Format(r.record, 7, 3, 2, 0), "Route Waypoint\tHome\t\t\t\n");
    State().DateStyle = 1, State().DateOrder = 2, State().DateSeparator = '/', State().TimeStyle = 1;
    State().EleFormat = 1;
    EXPECT_EQ(Format(r.record, 7, 3, 1, 0),
              "Trackpoint\t45.5000000 -122.2500000\t12/24/2004 14:30.05\t30.4800000\t\t\t\t\t\t\n");
}

// A time kept in its stored form must give the same texts as one read into
// its parts and written again, in every style.
TEST_F(FreshState, StoredTimesGiveTheTextsOfTheirParts) {
    const char* const times[] = {
        "143005 24122004", "000000 00000000", "999999 99999999", "143005.5 24122004"};
    const char* const odd[] = {"143005 2412200", "1430 24122004", "14:30:05", "143005 24122004 "};
    for (const auto* list : {times, odd}) {
        for (int i = 0; i < 16; ++i) {
            const char* time = list[i / 4];
            LayoutSettings settings;
            settings.timeStyle = i & 1, settings.dateStyle = (i >> 1) & 1;
            OwnedRecord record;
            CopyField(record->time, time);
            char timeText[kTimeTextCapacity], dateText[kTimeTextCapacity];
            char wantTime[kTimeTextCapacity], wantDate[kTimeTextCapacity];
            PointTimeTexts(record.record, settings, timeText, dateText);
            TimeParts parts;
            ParseCompactTime(time, parts);
            (settings.timeStyle == 1 ? FormatClockTime(parts, wantTime, true)
                                     : FormatCompactTime(parts, wantTime));
            (settings.dateStyle == 1 ? FormatDate(wantDate, parts, settings.dateOrder, settings.dateSeparator)
                                     : FormatCompactDate(parts, wantDate));
            EXPECT_STREQ(timeText, wantTime) << time << " style " << i % 4;
            EXPECT_STREQ(dateText, wantDate) << time << " style " << i % 4;
        }
    }
}

}  // namespace
