#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/tool_api.h"
#include "state/conversion_state.h"
#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

namespace tool = vezuved::tool;

// Each line alone, with the settings it changes, as the definition reader
// reports them; a value equal to the default still shows as a change.
TEST(ToolApi, ExplainingALineReportsTheSettingsItChangesAndLeavesTheStateAlone) {
    struct Case {
        const char* line;
        int keyword;
        bool hasValue;
        const char* value;
        std::vector<std::string> changed;
    };
    const Case cases[] = {
        {"Source = FIXED", tool::kKeySource, true, "FIXED", {"Source"}},
        {"Delimited = ,",
         tool::kKeyDelimited,
         true,
         ",",
         {"Source", "Delimited"}},  // a delimiter means delimited text
        {"Latitude = 0", tool::kKeyLatitude, true, "0", {"FieldMap"}},
        {"DBType = Track2", tool::kKeyDBType, true, "Track2", {"RecordVersion", "DBKind"}},
        {"Source = Nonsense", tool::kKeySource, true, "Nonsense", {}},
        {"Field3 = Height", -1, true, "Height", {"FieldLabel"}},
        {"Colour = red", -1, true, "red", {}},
        {"no equals sign", -1, false, "", {}},
    };
    State().Layout = kLayoutTab;
    for (const Case& c : cases) {
        const tool::LineEffect effect = tool::ExplainDefinitionLine(c.line);
        EXPECT_EQ(effect.keyword, c.keyword) << c.line;
        EXPECT_EQ(effect.hasValue, c.hasValue) << c.line;
        EXPECT_EQ(effect.value, c.value) << c.line;
        EXPECT_EQ(effect.changed, c.changed) << c.line;
        EXPECT_EQ(State().Layout, kLayoutTab) << c.line;
    }
    EXPECT_EQ(tool::KeywordName(tool::kKeyEleFormat), "EleFormat");
    EXPECT_EQ(tool::KeywordName(99), "");
    ResetConversionState();
}

TEST(ToolApi, ReadingADefinitionGivesItsFactsWithTheCommandLinesOverrides) {
    const TempFolder folder;
    const std::string path =
        folder.put("facts.cal",
                   "Source = FIXED\nFieldLen = 10,12\nDBType = Route2\nEleFormat = Metres\n"
                   "Header = [Title]\nFormatTitle = Trip\nField2 = Extra\n");
    tool::DefinitionRequest request;
    request.path = path;
    tool::DefinitionFacts facts = tool::ReadDefinition(request);
    EXPECT_TRUE(facts.read);
    EXPECT_EQ(facts.layout, tool::kLayoutFixed);
    EXPECT_EQ(facts.fieldWidths, "10,12");
    EXPECT_EQ(facts.kind, tool::kKindRoute);
    EXPECT_TRUE(facts.olderLayout);
    EXPECT_TRUE(facts.placeholder);
    EXPECT_EQ(facts.eleFormat, 1);
    EXPECT_EQ(facts.header.value_or("-"), "[Title]");
    EXPECT_EQ(facts.title.value_or("-"), "Trip");
    EXPECT_EQ(facts.labels[2].value_or("-"), "Extra");

    request.layout = tool::kLayoutTab;
    request.columns = {4, 5};
    request.elevationFormat = 0;
    request.kind = tool::kKindTrackOld;
    facts = tool::ReadDefinition(request);
    EXPECT_EQ(facts.layout, tool::kLayoutTab);
    EXPECT_EQ(facts.columns[tool::kSlotLatitude], 4);
    EXPECT_EQ(facts.columns[tool::kSlotLongitude], 5);
    EXPECT_EQ(facts.eleFormat, 0);
    EXPECT_EQ(facts.kind, tool::kKindTrack);
    // The state is left as a conversion leaves it: no header of this file.
    EXPECT_FALSE(State().Header.has_value());

    request.path = folder.file("missing.cal");
    CapturedDiagnostics said;
    EXPECT_FALSE(tool::ReadDefinition(request).read);
    EXPECT_EQ(said.TakeOutput(), "No Cal File\n");
}

}  // namespace
