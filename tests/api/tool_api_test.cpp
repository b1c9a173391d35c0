// The tool's window on the definition reader. (ReadDefinition and its
// overrides are run by the tool's own --layout and --columns tests.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/tool_api.h"
#include "state/conversion_state.h"
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

}  // namespace
