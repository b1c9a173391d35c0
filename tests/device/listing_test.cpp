// The device listing through RLDBCEEnum: the fixed-column report and the
// sync file "RLDBSync.inf", byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device/device_listing.h"
#include "device/sync_list.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

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
    WritePc("Home.RLP", "x", kBaseTime);
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    WritePc("notes.txt", "x");
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader +
                  "\nPoints:\n"
                  "Home                       2   Mar/14/2004 14:25 Mar/14/2004 14:25 Identical\n"
                  "\nRoutes:\n"
                  "Hike                       1   Mar/14/2004 14:25               Only on Device\n"
                  "\nTracks:\n"
                  "Walk                       3   Mar/14/2004 14:25 Mar/14/2004 14:25 Newer On PC\n" +
                  kPcOnly + Pc("Lake.rlt") + "\n",
              out_);
    EXPECT_EQ(Pc("Home.rlp") + "\tHome\r\n" + "\tHike\r\n" + Pc("Walk.rlt") + "\tWalk\r\n" + Pc("Lake.rlt") + "\t\r\n",
              ReadFile(Pc("RLDBSync.inf")));
    EXPECT_TRUE(SyncList().empty());
}

TEST_F(ListingTest, ComparisonIsExactToOneUnit) {
    for (const auto& [pcOffset, status] : {std::pair{0, " Identical\n"}, {-1, " Newer On Device\n"}, {+1, " Newer On PC\n"}}) {
        ResetDevice();
        Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
        WritePc("Home.rlp", "x", kBaseTime + pcOffset);
        EXPECT_EQ(0, Enum());
        EXPECT_NE(std::string::npos, out_.find(status)) << out_;
    }
}

TEST_F(ListingTest, EmptySidesLongNamesAndNoVolume) {
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + kNoDatabases + kPcOnly + "none\n", out_);
    EXPECT_TRUE(FileExists(Pc("RLDBSync.inf")));
    EXPECT_EQ("", ReadFile(Pc("RLDBSync.inf")));

    CreateDeviceDatabases({"AVeryLongDatabaseNameOf29Chars"}, kTypePoints, kBaseTime + 280 * kDay);
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos,
              out_.find("AVeryLongDatabaseNameOf29Chars     0   Dec/19/2004 14:25               Only on Device\n"))
        << out_;
    // Without a volume the PC side is still listed.
    WritePc("Lake.rlt", "x");
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeMountDBVol");
    EXPECT_EQ(0, Enum());
    EXPECT_EQ(kHeader + "Can't mount Database Volume: " + kVolumePath + kPcOnly + Pc("Lake.rlt") + "\n", out_);
    EXPECT_EQ(Pc("Lake.rlt") + "\t\r\n", ReadFile(Pc("RLDBSync.inf")));
}

TEST_F(ListingTest, FailuresAndForcedKind) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeOidGetInfoEx=7");
        EXPECT_EQ(0, Enum());
        EXPECT_EQ(kHeader + "\nPoints:\nError getting record info: Type: 506f4c69 Err: 7\n\nRoutes:\n\nTracks:\n" +
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
    g_forcedKind = 0;
    EXPECT_EQ(0, Enum());
    EXPECT_NE(std::string::npos, out_.find(Pc("notes.txt") + "\n"));
}

TEST(SyncListTest, PairsMergeIgnoringCase) {
    FreeSyncList();
    const WideString home = W("Home"), path = W("/pc/Home.rlp"), upper = W("/PC/HOME.RLP");
    AddSyncPair(home.c_str(), nullptr);
    AddSyncPair(nullptr, upper.c_str());
    AddSyncPair(W("HOME").c_str(), path.c_str());
    ASSERT_EQ(2u, SyncList().size());
    EXPECT_EQ(path, SyncList()[0].path);
    // The first entry whose path matches ignoring case takes the name.
    AddSyncPair(W("Lake").c_str(), upper.c_str());
    ASSERT_EQ(2u, SyncList().size());
    EXPECT_EQ(W("Lake"), SyncList()[0].name);
    EXPECT_EQ(WideString(), SyncList()[1].name);
    const WideString longName(300, 'x');
    AddSyncPair(longName.c_str(), nullptr);  // kept whole, never cut
    EXPECT_EQ(longName, SyncList()[2].name);
    FreeSyncList();
    EXPECT_TRUE(SyncList().empty());
}

}  // namespace
