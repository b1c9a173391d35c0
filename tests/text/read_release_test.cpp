#include <vezuved/vezuved.h>

#include <string>

#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

class ReadAndRelease : public FreshState {
protected:
    TempFolder folder;
};

std::string NoteOf(int i) { return "note " + std::to_string(i) + std::string(200 + i % 131, 'n'); }

// The descriptions of an array read from text stay each record's own: the
// host may replace or clear any of them, and the release frees what is
// left, replaced or not (the sanitizer and valgrind runs see any leak).
TEST_F(ReadAndRelease, DescriptionsReplacedByTheHostAreFreedWithTheArray) {
    constexpr int kLines = 8000;  // about 2 MB of descriptions
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += "45.5,-122.25,100,,point " + std::to_string(i) + ",Flag,";
        // every third line has no description
        if (i % 3 != 2) text += "\"" + NoteOf(i) + "\"";
        text += "\n";
    }
    const std::string source = folder.put("points.csv", text);
    const std::string definition = folder.put("points.cal", "FieldCount=7\n");
    void* records = nullptr;
    CapturedDiagnostics said;
    const int32_t count = RLDBReadCSV(source.c_str(), definition.c_str(), 0, -1, -1, nullptr, &records);
    ASSERT_EQ(count, kLines);
    auto at = [&](int i) { return RecordAt(records, static_cast<size_t>(i)); };
    for (int i = 0; i < kLines; ++i) {
        const char* desc = RLGetPointDesc(at(i));
        if (i % 3 == 2) {
            ASSERT_EQ(desc, nullptr) << i;
        } else {
            ASSERT_NE(desc, nullptr) << i;
            ASSERT_EQ(std::string(desc), NoteOf(i)) << i;
        }
    }
    for (int i = 0; i < kLines; i += 5) {
        const std::string longer = NoteOf(i) + " and more" + std::string(600, 'm');
        ASSERT_EQ(RLSetPointDesc(at(i), longer.c_str()), 0);
        EXPECT_EQ(std::string(RLGetPointDesc(at(i))), longer);
    }
    for (int i = 1; i < kLines; i += 7) {
        ASSERT_EQ(RLSetPointDesc(at(i), nullptr), 0);
        EXPECT_EQ(RLGetPointDesc(at(i)), nullptr);
    }
    for (int i = 2; i < kLines; i += 5) {
        ASSERT_EQ(RLSetPointDesc(at(i), "short"), 0);
        EXPECT_STREQ(RLGetPointDesc(at(i)), "short");
    }
    // Untouched records keep their own text.
    EXPECT_EQ(std::string(RLGetPointDesc(at(3))), NoteOf(3));
    EXPECT_EQ(std::string(RLGetPointDesc(at(kLines - 2))), NoteOf(kLines - 2));
    RLDBRelease(records, count);
}

}  // namespace
