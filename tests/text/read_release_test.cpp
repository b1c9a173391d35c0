#include <vezuved/vezuved.h>

#include <string>

#include "base/memory.h"
#include "support/diag_capture.h"
#include "support/test_support.h"

namespace {

class ReadAndRelease : public FreshState {
protected:
    TempFolder folder;
};

std::string NoteOf(int i) { return "note " + std::to_string(i) + std::string(200 + i % 131, 'n'); }
// What line i's record holds as read, and after the host replaced or cleared it.
std::string AsRead(int i) { return i % 3 == 2 ? "<null>" : NoteOf(i); }
std::string Replaced(int i) {
    if (i % 7 == 1) return "<null>";
    if (i % 5 == 2) return "short";
    return i % 5 == 0 ? NoteOf(i) + " and more" + std::string(600, 'm') : AsRead(i);
}

// The descriptions of an array read from text stay each record's own: the
// host may replace or clear any of them, and the release frees what is
// left, replaced or not.
TEST_F(ReadAndRelease, DescriptionsReplacedByTheHostAreFreedWithTheArray) {
    constexpr int kLines = 8000;  // about 2 MB of descriptions
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += "45.5,-122.25,100,,point " + std::to_string(i) + ",Flag,";
        if (i % 3 != 2) text += "\"" + NoteOf(i) + "\"";
        text += "\n";
    }
    const std::string source = folder.put("points.csv", text);
    const std::string definition = folder.put("points.cal", "FieldCount=7\n");
    void* records = nullptr;
    CapturedDiagnostics said;
    const long live = vezuved::LiveAllocations();
    const int32_t count = RLDBReadCSV(source.c_str(), definition.c_str(), 0, -1, -1, nullptr, &records);
    ASSERT_EQ(count, kLines);
    EXPECT_LE(vezuved::LiveAllocations() - live, 8);  // the array, and descriptions carved from a few blocks
    auto at = [&](int i) { return RecordAt(records, static_cast<size_t>(i)); };
    auto desc = [&](int i) { return RLGetPointDesc(at(i)) ? std::string(RLGetPointDesc(at(i))) : "<null>"; };
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(desc(i), AsRead(i)) << i;
    for (int i = 0; i < kLines; ++i) {
        const std::string now = Replaced(i);
        if (now != AsRead(i)) {
            ASSERT_EQ(RLSetPointDesc(at(i), now == "<null>" ? nullptr : now.c_str()), 0);
        }
    }
    for (int i = 0; i < kLines; ++i) ASSERT_EQ(desc(i), Replaced(i)) << i;
    RLDBRelease(records, count);
    EXPECT_EQ(vezuved::LiveAllocations(), live);
}

}  // namespace
