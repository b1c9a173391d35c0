// The device listing through RLDBCEEnum: the fixed-column report and the
// sync file "RLDBSync.inf", byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device/sync_list.h"
#include "device_test_support.h"
#include "state/device_state.h"
#include "vezuved/vezuved_core.h"

using namespace devtest;

namespace {

const std::string kHeader =
    "Name                  Records Dev Modified       PC Modified\n"
    "-----------------------------------------------------------\n";
const std::string kPcOnly = "\nFiles Only on PC\n====================================\n";
const std::string kNoDatabases = "\nPoints:\n\nRoutes:\n\nTracks:\n";
constexpr uint64_t kDay = 864000000000ull;

class ListingTest : public SyncTest {};

TEST_F(ListingTest, ReportAndSyncFile) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n45.6,-122.7,,,B,,\r\n");
    Push("Hike.rlr", "45.5,-122.6,,,A,,\r\n");
    Push("Walk.rlt", "45.5,-122.6,,,A,,\r\n45.5,-122.6,,,B,,\r\n45.5,-122.6,,,C,,\r\n");
    CreateDeviceDatabases({"AVeryLongDatabaseNameOf29Chars"}, kBaseTime + 280 * kDay);
    // The times compare exactly, to one unit.
    WritePc("Home.RLP", "x", kBaseTime);
    WritePc("Hike.rlr", "x", kBaseTime - 1);
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    WritePc("notes.txt", "x");
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + TestData("device/data/listing-of-every-state.txt") + kPcOnly + Pc("Lake.rlt") + "\n",
              out_);
    EXPECT_EQ(Pc("Home.rlp") + "\tHome\r\n" + "\tAVeryLongDatabaseNameOf29Chars\r\n" + Pc("Hike.rlr") +
                  "\tHike\r\n" + Pc("Walk.rlt") + "\tWalk\r\n" + Pc("Lake.rlt") + "\t\r\n",
              ReadFileText(Pc("RLDBSync.inf")));
}

// The core's listing gives the same report, printing nothing, and answers
// what it shows as rows.
int32_t VEZUVED_CORE_CALL KeepMessage(const vezuved_device_event* event, void* context) {
    if (event->type == VEZUVED_DEVICE_EVENT_MESSAGE)
        *static_cast<std::string*>(context) += event->message + std::string("\n");
    return 0;
}

TEST_F(ListingTest, CoreListingAnswersTheRowsItPrints) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n45.6,-122.7,,,B,,\r\n");
    Push("Walk.rlt", "45.5,-122.6,,,A,,\r\n45.5,-122.6,,,B,,\r\n45.5,-122.6,,,C,,\r\n");
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    EXPECT_EQ(0, Enum());
    const std::string printed = out_;
    vezuved_device* device = vezuved_device_new();
    std::string messages;
    int32_t result = -1;
    EXPECT_EQ("", Captured([&] {
                  result = vezuved_device_list(device, PcFolder().c_str(), nullptr, KeepMessage, &messages);
              }));
    EXPECT_EQ(printed, vezuved_device_report(device));
    EXPECT_EQ(VEZUVED_OK, result);
    EXPECT_EQ(0, vezuved_device_code(device));
    ASSERT_EQ(2, vezuved_device_row_count(device));
    vezuved_device_row home{};
    ASSERT_EQ(VEZUVED_OK, vezuved_device_get_row(device, 0, &home));
    EXPECT_EQ(VEZUVED_SET_WAYPOINTS, home.kind);
    EXPECT_STREQ("Points", home.heading);
    EXPECT_STREQ("Home", home.name);
    EXPECT_EQ(2, home.records);
    EXPECT_STREQ("Mar/14/2004 14:25", home.device_modified);
    EXPECT_STREQ("", home.pc_modified);
    EXPECT_STREQ("Only on Device", home.state);
    vezuved_device_row walk{};
    ASSERT_EQ(VEZUVED_OK, vezuved_device_get_row(device, 1, &walk));
    EXPECT_EQ(VEZUVED_SET_TRACK, walk.kind);
    EXPECT_STREQ("Tracks", walk.heading);
    EXPECT_STREQ("Walk", walk.name);
    EXPECT_EQ(3, walk.records);
    EXPECT_STREQ("Mar/14/2004 14:25", walk.pc_modified);
    EXPECT_STREQ("Newer On PC", walk.state);
    ASSERT_EQ(1, vezuved_device_pc_only_count(device));
    EXPECT_EQ(Pc("Lake.rlt"), vezuved_device_pc_only(device, 0));
    // A sync file that cannot be written is said; the handheld's result stays 0.
    std::filesystem::remove(Pc("RLDBSync.inf"));
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    messages.clear();
    EXPECT_EQ(VEZUVED_ERROR_WRITE,
              vezuved_device_list(device, PcFolder().c_str(), nullptr, KeepMessage, &messages));
    EXPECT_NE(std::string::npos, messages.find("Error !!! Writing sync file\n"));
    EXPECT_EQ(0, vezuved_device_code(device));
    EXPECT_EQ(std::string("RLDBSync.inf was not written"),
              std::string(vezuved_device_error_message(device)).substr(0, 28));
    vezuved_device_free(device);
}

TEST_F(ListingTest, EmptySidesAndNoVolume) {
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + kNoDatabases + kPcOnly + "none\n", out_);
    EXPECT_TRUE(FileExists(Pc("RLDBSync.inf")));
    EXPECT_EQ("", ReadFileText(Pc("RLDBSync.inf")));
    // Without a volume the PC side is still listed.
    WritePc("Lake.rlt", "x");
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeMountDBVol");
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + "Can't mount Database Volume: " + kVolumePath + kPcOnly + Pc("Lake.rlt") + "\n",
              out_);
    EXPECT_EQ(Pc("Lake.rlt") + "\t\r\n", ReadFileText(Pc("RLDBSync.inf")));
}

TEST_F(ListingTest, FailuresAndForcedKind) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeOidGetInfoEx=7");
        EXPECT_EQ(0, Enum());
        EXPECT_EQ(kHeader +
                      "\nPoints:\nError getting record info: Type: 506f4c69 Err: 7\n\nRoutes:\n\nTracks:\n" +
                      kPcOnly + "none\n",
                  out_);
    }
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeRapiInitEx");
        std::filesystem::remove(Pc("RLDBSync.inf"));
        EXPECT_EQ(-8, Enum());
        EXPECT_EQ("", out_);
        EXPECT_FALSE(FileExists(Pc("RLDBSync.inf")));
    }
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find("none\nError !!! Writing sync file\n"));
    std::filesystem::remove(Pc("RLDBSync.inf"));
    // The kind the last copy forced classifies every PC file.
    WritePc("notes.txt", "x");
    DeviceSettings().forcedKind = 0;
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find(Pc("notes.txt") + "\n"));
}

TEST_F(ListingTest, APairFoundByPathKeepsItsDeviceName) {
    FreeSyncList();
    const WideString path = W("/pc/Home.rlp");
    AddSyncPair(nullptr, path.c_str());
    AddSyncPair(W("Home").c_str(), path.c_str());
    AddSyncPair(nullptr, path.c_str());
    ASSERT_EQ(1u, SyncList().size());
    EXPECT_EQ(W("Home"), SyncList()[0].name);
    FreeSyncList();
}

}  // namespace
