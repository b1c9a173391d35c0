#include "layouts/layout_table.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

std::string Format(PointRecord& record, int32_t columns, int mode, int32_t kind, int32_t index) {
    std::string out;
    LayoutSettings settings = LayoutSettingsOf(State());
    settings.fieldCount = columns;
    EXPECT_EQ(FormatLayoutLine(record, mode, settings, kind, index, out), 0);
    return out;
}

class Formatting : public FreshState {
protected:
    OwnedRecord r;
    void SetUp() override {
        FreshState::SetUp();
        FillPoint(
            r.record, "45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House", "Gate 3");
    }
};

// Each case changes the state or the record, then writes the record's line.
TEST_F(Formatting, RulesGiveTheExpectedLine) {
    const struct {
        void (*setup)(OwnedRecord&);
        int32_t columns;
        int mode;
        const char* expected;
    } cases[] = {
        {[](OwnedRecord&) { State().Delimited = ';'; },
         7,
         1,
         "45.5000000;-122.2500000;100;143005 24122004;Home;House;Gate 3"},
        {[](OwnedRecord&) {}, 9, 1, "45.5000000,-122.2500000,100,143005 24122004,Home,House,Gate 3,,"},
        {[](OwnedRecord&) {}, 0, 1, ""},
        {[](OwnedRecord&) { State().Delimited = ','; }, 3, 2, "45.5000000\t-122.2500000\t100"},
        // PCX5: no separator; labels only for empty fields.
        {[](OwnedRecord&) {
             State().FieldMap = {4, 1, -1, -1, 0, -1, -1, -1};
             State().FieldLabel[2] = std::string("  "), State().FieldLabel[1] = std::string("unused");
         },
         4,
         6,
         "Home-122.2500000  "},
        {[](OwnedRecord& r) { r->elevation[0] = '\0', State().FieldLabel[2] = std::string("n/a"); },
         3,
         1,
         "45.5000000,-122.2500000,n/a"},
        // Separators, '*' and line ends are quoted.
        {[](OwnedRecord& r) { CopyField(r->name, "Camp, North"), DescSetCopy(r.record, "a*b"); },
         7,
         1,
         "45.5000000,-122.2500000,100,143005 24122004,\"Camp, North\",House,\"a*b\""},
        {[](OwnedRecord& r) { CopyField(r->name, "Camp\nNorth"); },
         5,
         1,
         "45.5000000,-122.2500000,100,143005 24122004,\"Camp\nNorth\""},
        {[](OwnedRecord& r) { State().EleFormat = 1, CopyField(r->elevation, "328.08"); },
         3,
         1,
         "45.5000000,-122.2500000,99.9987840"},
        {[](OwnedRecord&) {
             State().DateStyle = 1, State().DateOrder = 2, State().DateSeparator = '/', State().TimeStyle = 1;
             State().DateFirst = 1, State().FieldMap = {3, -1, -1, 0, -1, -1, -1, -1};
         },
         1,
         1,
         "12/24/2004 14:30.05"},
    };
    for (const auto& c : cases) {
        RestoreInitialState();
        FillPoint(
            r.record, "45.5000000", "-122.2500000", "100", "143005 24122004", "Home", "House", "Gate 3");
        c.setup(r);
        EXPECT_EQ(Format(r.record, c.columns, c.mode, 0, 0), c.expected) << c.expected;
    }
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

}  // namespace
