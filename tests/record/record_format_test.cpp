#include <cstdio>
#include <cstring>

#include "record/record_format.h"
#include "support/test_support.h"

namespace {

std::string Format(PointRecord& record, int32_t columns, int mode, int32_t kind, int32_t index) {
    std::string out;
    EXPECT_EQ(FormatPointLine(record, columns, mode, kind, index, out), 0);
    return out;
}

class Formatting : public FreshState {
protected:
    OwnedRecord r;
    void SetUp() override {
        FreshState::SetUp();
        FillPoint(r.record, "45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House",
                  "Gate 3");
    }
};

TEST_F(Formatting, DelimitedColumnsFollowTheMap) {
    State().Delimited = ';';
    EXPECT_EQ(Format(r.record, 7, 1, 0, 0),
              "45.5000000;-122.2500000;100;143005 24122004;Home;House;Gate 3");
}

TEST_F(Formatting, ColumnsWithoutFieldKeepTheirSeparators) {
    EXPECT_EQ(Format(r.record, 9, 1, 0, 0),
              "45.5000000,-122.2500000,100,143005 24122004,Home,House,Gate 3,,");
    EXPECT_EQ(Format(r.record, 0, 1, 0, 0), "");
}

TEST_F(Formatting, TabLayoutSeparatesWithTabs) {
    State().Delimited = ',';
    EXPECT_EQ(Format(r.record, 3, 2, 0, 0), "45.5000000\t-122.2500000\t100");
}

TEST_F(Formatting, Pcx5WritesNoSeparatorAndUsesLabels) {
    State().FieldMap = {4, 1, -1, -1, 0, -1, -1, -1};
    State().FieldLabel[2] = std::string("  ");
    State().FieldLabel[1] = std::string("unused");
    EXPECT_EQ(Format(r.record, 4, 6, 0, 0), "Home-122.2500000  ");
}

TEST_F(Formatting, EmptyFieldFallsBackToItsLabel) {
    r->elevation[0] = '\0';
    State().FieldLabel[2] = std::string("n/a");
    EXPECT_EQ(Format(r.record, 3, 1, 0, 0), "45.5000000,-122.2500000,n/a");
}

TEST_F(Formatting, NamesAndDescriptionsWithSeparatorsAreQuoted) {
    CopyField(r->name, "Camp, North");
    DescSetCopy(r.record, "a*b");
    EXPECT_EQ(Format(r.record, 7, 1, 0, 0),
              "45.5000000,-122.2500000,100,143005 24122004,\"Camp, North\",House,\"a*b\"");
}

TEST_F(Formatting, MetresAreWrittenFromFeet) {
    State().EleFormat = 1;
    CopyField(r->elevation, "328.08");
    EXPECT_EQ(Format(r.record, 3, 1, 0, 0), "45.5000000,-122.2500000,99.9987840");
}

TEST_F(Formatting, CustomDateStyleWithDateFirst) {
    State().DateStyle = 1;
    State().DateOrder = 2;
    State().DateSeparator = '/';
    State().TimeStyle = 1;
    State().DateFirst = 1;
    State().FieldMap = {3, -1, -1, 0, -1, -1, -1, -1};
    EXPECT_EQ(Format(r.record, 1, 1, 0, 0), "12/24/2004 14:30.05");
}

TEST_F(Formatting, GarminWaypointLine) {
    CopyField(r->icon, "Symbols:Flag");
    CopyField(r->name, "Ho\tme");
    EXPECT_EQ(Format(r.record, 7, 3, 0, 0),
              "Waypoint\tHo me\tGate 3\tUser Waypoint\t45.5000000 -122.2500000\t100\t\t\t\t\t"
              "Flag\t\t\t\t\t\n");
    EXPECT_STREQ(r->name, "Ho me");  // blanked in the record itself
}

TEST_F(Formatting, GarminTrackLineWithGarminStyles) {
    State().DateStyle = 1;
    State().DateOrder = 2;
    State().DateSeparator = '/';
    State().TimeStyle = 1;
    State().EleFormat = 1;
    EXPECT_EQ(Format(r.record, 7, 3, 1, 0),
              "Trackpoint\t45.5000000 -122.2500000\t12/24/2004 14:30.05\t30.4800000\t\t\t\t\t\t\n");
}

TEST_F(Formatting, GarminRouteNamesPointsByIndexOnlyInRouteDatabases) {
    State().DBKind = 2;
    EXPECT_EQ(Format(r.record, 7, 3, 2, 0), "Route Waypoint\tRPT0001\t\t\t\n");
    EXPECT_EQ(Format(r.record, 7, 3, 0, 41).substr(0, 17), "Waypoint\tRPT0042\t");
    State().DBKind = 0;
    CopyField(r->name, "Home");
    EXPECT_EQ(Format(r.record, 7, 3, 2, 0), "Route Waypoint\tHome\t\t\t\n");
}

TEST_F(Formatting, BlankSeparatorsAndQuoting) {
    char text[] = "a,b*c\td\ne";
    BlankSeparators(text);
    EXPECT_STREQ(text, "a b c d e");
    BlankSeparators(nullptr);
    std::string out;
    QuoteIfNeeded("plain", out);
    QuoteIfNeeded("x\ny", out);
    EXPECT_EQ(out, "plain\"x\ny\"");
}

TEST_F(Formatting, WritePointLineEndsLinesByTheSinkMode) {
    TempFolder folder;
    for (bool crlf : {false, true}) {
        std::string path = folder.file(crlf ? "crlf.txt" : "lf.txt");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        TextSink sink;
        sink.file = file;
        sink.crlf = crlf;
        WritePointLine(sink, r.record, 2, 1, 0, 0);
        WritePointLine(sink, r.record, 1, 3, 2, 0);
        std::fclose(file);
        const char* eol = crlf ? "\r\n" : "\n";
        EXPECT_EQ(ReadFileText(path), std::string("45.5000000,-122.2500000") + eol +
                                          "Route Waypoint\tHome\t\t\t" + eol + eol);
    }
}

}  // namespace
