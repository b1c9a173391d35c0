// The device listing through RLDBCEEnum: the fixed-column report and the
// sync file "RLDBSync.inf", byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "api/tool_api.h"
#include "device/sync_list.h"
#include "device_test_support.h"
#include "state/device_state.h"

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

// The tool's entry prints the same report and answers what it shows.
TEST_F(ListingTest, ToolEntryAnswersTheRowsItPrints) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n45.6,-122.7,,,B,,\r\n");
    Push("Walk.rlt", "45.5,-122.6,,,A,,\r\n45.5,-122.6,,,B,,\r\n45.5,-122.6,,,C,,\r\n");
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    EXPECT_EQ(0, Enum());
    const std::string printed = out_;
    vezuved::tool::DeviceListing listing;
    EXPECT_EQ(printed,
              Captured([&] { listing = vezuved::tool::ListDevice(PcFolder().c_str(), nullptr, 0); }));
    EXPECT_EQ(0, listing.result);
    EXPECT_TRUE(listing.syncFileWritten);
    ASSERT_EQ(2u, listing.rows.size());
    const vezuved::tool::ListingRow& home = listing.rows[0];
    EXPECT_EQ("Points", home.kind);
    EXPECT_EQ("Home", home.name);
    EXPECT_EQ(2, home.records);
    EXPECT_EQ("Mar/14/2004 14:25", home.deviceModified);
    EXPECT_EQ("", home.pcModified);
    EXPECT_EQ("Only on Device", home.state);
    const vezuved::tool::ListingRow& walk = listing.rows[1];
    EXPECT_EQ("Tracks", walk.kind);
    EXPECT_EQ("Walk", walk.name);
    EXPECT_EQ(3, walk.records);
    EXPECT_EQ("Mar/14/2004 14:25", walk.pcModified);
    EXPECT_EQ("Newer On PC", walk.state);
    EXPECT_EQ(std::vector<std::string>{Pc("Lake.rlt")}, listing.pcOnly);
    // A sync file that cannot be written is said, though the result stays 0.
    std::filesystem::remove(Pc("RLDBSync.inf"));
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    EXPECT_NE(std::string::npos, Captured([&] {
                                     listing = vezuved::tool::ListDevice(PcFolder().c_str(), nullptr, 0);
                                 }).find("Error !!! Writing sync file\n"));
    EXPECT_EQ(0, listing.result);
    EXPECT_FALSE(listing.syncFileWritten);
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
