// A progress callback that calls back into the library while a copy to the
// handheld runs: the lookup gets its answer, the copy completes with the
// same databases as without the calls, and a device call is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_test_support.h"

using namespace devtest;

namespace {

struct Inside {
    std::string folder, definition;
    std::vector<std::string> answers;
    std::vector<int32_t> deviceResults;
};

int32_t VEZUVED_CALL LookUp(int32_t, int32_t, int32_t, const char*, void* session) {
    Inside& inside = *static_cast<Inside*>(session);
    char value[512] = "";
    int32_t length = 0;
    RLGetCalFileInfo("Ext", inside.definition.c_str(), value, &length);
    inside.answers.push_back(std::string(value) + "/" + std::to_string(length));
    inside.deviceResults.push_back(RLDBCEEnum(inside.folder.c_str(), nullptr, 0, 0));
    return 0;
}

class CallbackCallsTest : public SyncTest {};

TEST_F(CallbackCallsTest, ProgressCallbackLooksUpADefinitionDuringACopy) {
    // Lines a tab layout would read otherwise: the lookup's definition must
    // not reach the copy that is running.
    const std::string lines = std::string(kPoints) + "45.7000000,-122.8000000,,,Lake,,\"x\ty\"\r\n";
    WritePc("Home.rlp", lines);
    WritePc("Trip.rlr", lines);
    ASSERT_EQ(0, ToDevice(PcFolder()));
    const auto digest = [](const std::vector<DeviceDatabaseView>& all) {
        std::string text;
        for (const DeviceDatabaseView& db : all) {
            text += db.name + ":\n";
            for (const DeviceRecord& r : db.records)
                text += r.text + "|" + r.name + "|" + std::to_string(r.legDistance) + "\n";
        }
        return text;
    };
    const std::string alone = digest(Databases());
    ASSERT_EQ(2u, Databases().size());

    ResetDevice();
    devtest::TempFolder elsewhere;
    Inside inside;
    inside.folder = elsewhere.Path();
    inside.definition = elsewhere.Join("tab.cal");
    WriteFile(inside.definition, "Source=Tab\nFieldCount=3\nname=0\nHeaderLines=1\nExt=.tab\n");
    RLSetSessionPtr(&inside);
    RLSetProgressCallback(LookUp);
    EXPECT_EQ(0, ToDevice(PcFolder()));
    RLSetProgressCallback(nullptr);
    RLSetSessionPtr(nullptr);

    ASSERT_FALSE(inside.answers.empty());
    EXPECT_EQ(std::vector<std::string>(inside.answers.size(), ".tab/4"), inside.answers);
    EXPECT_EQ(std::vector<int32_t>(inside.answers.size(), -1), inside.deviceResults);
    EXPECT_EQ(alone, digest(Databases()));
}

}  // namespace
