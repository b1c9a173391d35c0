#include "state/conversion_state.h"
#include "support/test_support.h"
#include "vezuved/vezuved_core.h"

#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
#include <malloc.h>
#define VEZUVED_HEAP_IN_USE
#endif

namespace {

TEST_F(FreshState, ResetRestoresTheResetFieldsOnly) {
    ConversionState& s = State();
    s.Layout = 3, s.FieldMap[0] = 9, s.Delimited = ';', s.DBKind = 2, s.FieldCount = 3;
    s.Previous.FirstPoint = 0, s.RecordVersion = 2, s.Ext = ".csv", s.FieldLen = "5,5";
    s.LocFormat = 2, s.DateSeparator = '/', s.EleFormat = 1, s.Previous.PrevLatitude = 17;
    ResetConversionState(State());
    EXPECT_EQ(s.Layout, 1);
    EXPECT_EQ(s.FieldMap, kDefaultFieldMap);
    EXPECT_EQ(s.Delimited, ',');
    EXPECT_EQ(s.DBKind, 0);
    EXPECT_EQ(s.FieldCount, 7);
    EXPECT_EQ(s.Previous.FirstPoint, 1u);
    EXPECT_EQ(s.RecordVersion, 3);
    EXPECT_EQ(s.Ext, "");
    EXPECT_EQ(s.FieldLen, "");
    // Carried over between calls on purpose.
    EXPECT_EQ(s.LocFormat, 2);
    EXPECT_EQ(s.DateSeparator, '/');
    EXPECT_EQ(s.EleFormat, 1);
    EXPECT_EQ(s.Previous.PrevLatitude, 17);
}

// 'A' and 'B' are the older-layout track and route; the layout stays until a reset.
TEST_F(FreshState, SetDatabaseKindTranslatesTheOlderLayoutCodes) {
    for (const auto& [code, kind] : {std::pair{'A', 1}, std::pair{'B', 2}, std::pair{char(1), 1}}) {
        if (code == 'B') {
            ResetConversionState(State());
            EXPECT_EQ(State().RecordVersion, 3);
        }
        SetDatabaseKind(State(), code);
        EXPECT_EQ(State().DBKind, kind);
        EXPECT_EQ(State().RecordVersion, 2);
    }
}

// Each line alone, with the settings it changes as the reader reports them (a default value too).
TEST(DefinitionLines, ExplainingALineReportsTheSettingsItChangesAndLeavesTheStateAlone) {
    // keyword, whether a value was given, the value, then the settings changed.
    const std::pair<const char*, std::string> cases[] = {
        {"Source = FIXED", std::to_string(VEZUVED_KEY_SOURCE) + " 1 FIXED Source,"},
        // A delimiter means delimited text.
        {"Delimited = ,", std::to_string(VEZUVED_KEY_DELIMITED) + " 1 , Source,Delimited,"},
        {"Latitude = 0", std::to_string(VEZUVED_KEY_LATITUDE) + " 1 0 FieldMap,"},
        {"DBType = Track2", std::to_string(VEZUVED_KEY_DB_TYPE) + " 1 Track2 RecordVersion,DBKind,"},
        {"Source = Nonsense", std::to_string(VEZUVED_KEY_SOURCE) + " 1 Nonsense "},
        {"Field3 = Height", "-1 1 Height FieldLabel,"},
        {"Colour = red", "-1 1 red "},
        {"no equals sign", "-1 0  "},
    };
    State().Layout = kLayoutTab;
    for (const auto& [line, expected] : cases) {
        // Each line is told as the one line of a definition of its own.
        const TempFolder folder;
        vezuved_definition* definition = vezuved_definition_new();
        vezuved_definition_line told{};
        std::string effect = "not told";
        if (vezuved_definition_read(definition, folder.put("line.cal", line).c_str()) == VEZUVED_OK &&
            vezuved_definition_get_line(definition, 0, &told) == VEZUVED_OK) {
            effect =
                std::to_string(told.keyword) + " " + std::to_string(told.has_value) + " " + told.value + " ";
            for (int32_t i = 0; i < told.changed_count; ++i) effect += told.changed[i] + std::string(",");
        }
        vezuved_definition_free(definition);
        EXPECT_EQ(effect, expected) << line;
        EXPECT_EQ(State().Layout, kLayoutTab) << line;
    }
    EXPECT_STREQ(vezuved_definition_keyword_name(VEZUVED_KEY_ELE_FORMAT), "EleFormat");
    EXPECT_EQ(vezuved_definition_keyword_name(99), nullptr);
    ResetConversionState(State());
}

// A release frees the descriptions of the records it is told of, and no further.
TEST_F(FreshState, ReleaseFreesTheDescriptionsOfTheCountGiven) {
    const TempFolder folder;
    const std::string path = folder.file("d.pdb");
    OwnedArray records(2);
    ASSERT_EQ(RLDBWritePDB(path.c_str(), records.data(), 2, 0), 0);
    void* array = nullptr;
    int32_t kind = 0;
    ASSERT_EQ(RLDBReadPDB(path.c_str(), &array, &kind), 2);
    PointRecord second{};
    ASSERT_EQ(RLSetPointDesc(RecordAt(array, 1), "second"), 0);
    std::memcpy(&second, RecordAt(array, 1), sizeof second);
    RLDBRelease(array, 1);
    EXPECT_STREQ(RLGetPointDesc(&second), "second");
    RLSetPointDesc(&second, nullptr);
}

#if defined(VEZUVED_HEAP_IN_USE)
// A released array takes every description with it: the heap in use is what it was (glibc's
// count; under a sanitizer it stays 0 and the sanitizer's leak check takes over).
TEST_F(FreshState, ReleaseFreesEveryDescription) {
    const TempFolder folder;
    const std::string path = folder.file("d.pdb");
    OwnedArray records(2);
    ASSERT_EQ(RLDBWritePDB(path.c_str(), records.data(), 2, 0), 0);
    const std::string big(60000, 'd');
    const auto readAndRelease = [&] {
        void* array = nullptr;
        int32_t kind = 0;
        const int32_t count = RLDBReadPDB(path.c_str(), &array, &kind);
        ASSERT_EQ(count, 2);
        ASSERT_EQ(RLSetPointDesc(array, big.c_str()), 0);  // the first record's
        RLDBRelease(array, count);
    };
    readAndRelease();  // the library's tables grow once
    const size_t before = mallinfo2().uordblks;
    readAndRelease();
    EXPECT_LT(static_cast<long>(mallinfo2().uordblks - before), 30000);
}
#endif

}  // namespace
