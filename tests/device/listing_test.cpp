// The device listing through RLDBCEEnum: the fixed-column report and the
// sync file "RLDBSync.inf", byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device/device_listing.h"
#include "device/sync_list.h"
#include "device/transfer_rules.h"
#include "sync_test_support.h"

using namespace synctest;
using devtest::FileExists;
using devtest::ReadFile;
using devtest::ScopedEnv;

namespace {

const char* const kHeader =
    "Name                  Records Dev Modified       PC Modified\n"
    "-----------------------------------------------------------\n";
const char* const kPcOnly = "\nFiles Only on PC\n====================================\n";
constexpr uint64_t kDay = 864000000000ull;

class ListingTest : public SyncTest {
protected:
    void Push(const std::string& file, const std::string& bytes, uint64_t time = kBaseTime) {
        WritePc(file, bytes, time);
        std::string out;
        ASSERT_EQ(0, ToDevice(Pc(file), optMove | optCreateVolume, out));
        Log() = CallbackLog();
    }
};

}  // namespace

TEST_F(ListingTest, ReportAndSyncFile) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n45.6,-122.7,,,B,,\r\n");
    Push("Hike.rlr", "45.5,-122.6,,,A,,\r\n");
    Push("Walk.rlt", "45.5,-122.6,,,A,,\r\n45.5,-122.6,,,B,,\r\n45.5,-122.6,,,C,,\r\n");
    WritePc("Home.RLP", "x", kBaseTime);
    WritePc("Walk.rlt", "x", kBaseTime + 1);
    WritePc("Lake.rlt", "x");
    WritePc("notes.txt", "x");
    std::string out;
    EXPECT_EQ(0, Enum(0, out));
    const std::string expected = std::string(kHeader) +
                                 "\nPoints:\n"
                                 "Home                       2   Mar/14/2004 14:25 Mar/14/2004 14:25 Identical\n"
                                 "\nRoutes:\n"
                                 "Hike                       1   Mar/14/2004 14:25               Only on Device\n"
                                 "\nTracks:\n"
                                 "Walk                       3   Mar/14/2004 14:25 Mar/14/2004 14:25 Newer On PC\n" +
                                 kPcOnly + Pc("Lake.rlt") + "\n";
    EXPECT_EQ(expected, out);
    EXPECT_EQ(Pc("Home.rlp") + "\tHome\r\n" + "\tHike\r\n" + Pc("Walk.rlt") + "\tWalk\r\n" + Pc("Lake.rlt") + "\t\r\n",
              ReadFile(Pc("RLDBSync.inf")));
    EXPECT_TRUE(SyncList().empty());
}

TEST_F(ListingTest, ComparisonIsExactToOneUnit) {
    struct Row {
        int64_t pcOffset;
        const char* status;
    };
    for (const Row& row : {Row{0, " Identical"}, Row{-1, " Newer On Device"}, Row{+1, " Newer On PC"}}) {
        std::filesystem::remove(DeviceFile("RoverlogDBV.cdb"));
        Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
        WritePc("Home.rlp", "x", kBaseTime + row.pcOffset);
        std::string out;
        EXPECT_EQ(0, Enum(0, out));
        EXPECT_NE(std::string::npos, out.find(std::string(row.status) + "\n")) << out;
    }
}

TEST_F(ListingTest, EmptySidesAndLongNames) {
    std::string out;
    EXPECT_EQ(0, Enum(0, out));
    EXPECT_EQ(std::string(kHeader) + "\nPoints:\n\nRoutes:\n\nTracks:\n" + kPcOnly + "none\n", out);
    EXPECT_EQ("", ReadFile(Pc("RLDBSync.inf")));
    EXPECT_TRUE(FileExists(Pc("RLDBSync.inf")));

    CreateDeviceDatabases({"AVeryLongDatabaseNameOf29Chars"}, kTypePoints, kBaseTime + 280 * kDay);
    EXPECT_EQ(0, Enum(0, out));
    EXPECT_NE(std::string::npos,
              out.find("AVeryLongDatabaseNameOf29Chars     0   Dec/19/2004 14:25               Only on Device\n"))
        << out;
}

TEST_F(ListingTest, WithoutAVolumeThePcSideIsStillListed) {
    WritePc("Lake.rlt", "x");
    ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeMountDBVol");
    std::string out;
    EXPECT_EQ(0, Enum(0, out));
    EXPECT_EQ(std::string(kHeader) + "Can't mount Database Volume: \\My Documents\\Roverlog\\RoverlogDBV.cdb" + kPcOnly +
                  Pc("Lake.rlt") + "\n",
              out);
    EXPECT_EQ(Pc("Lake.rlt") + "\t\r\n", ReadFile(Pc("RLDBSync.inf")));
}

TEST_F(ListingTest, FailuresAndForcedKind) {
    Push("Home.rlp", "45.5,-122.6,,,A,,\r\n");
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeOidGetInfoEx=7");
        std::string out;
        EXPECT_EQ(0, Enum(0, out));
        EXPECT_EQ(std::string(kHeader) + "\nPoints:\nError getting record info: Type: 506f4c69 Err: 7\n" +
                      "\nRoutes:\n\nTracks:\n" + kPcOnly + "none\n",
                  out);
    }
    {
        ScopedEnv fault("VEZUVED_DEVICE_FAULTS", "CeRapiInitEx");
        std::filesystem::remove(Pc("RLDBSync.inf"));
        std::string out;
        EXPECT_EQ(-8, Enum(0, out));
        EXPECT_EQ("", out);
        EXPECT_FALSE(FileExists(Pc("RLDBSync.inf")));
    }
    std::filesystem::create_directories(Pc("RLDBSync.inf"));
    std::string out;
    EXPECT_EQ(0, Enum(0, out));
    EXPECT_NE(std::string::npos, out.find("none\nError !!! Writing sync file\n"));
    std::filesystem::remove(Pc("RLDBSync.inf"));

    // The kind the last copy forced classifies every PC file.
    WritePc("notes.txt", "x");
    g_forcedKind = 0;
    EXPECT_EQ(0, Enum(0, out));
    EXPECT_NE(std::string::npos, out.find(Pc("notes.txt") + "\n"));
}

TEST(SyncListTest, PairsMergeIgnoringCase) {
    FreeSyncList();
    const WideString home = devtest::W("Home");
    const WideString path = devtest::W("/pc/Home.rlp");
    const WideString upper = devtest::W("/PC/HOME.RLP");
    AddSyncPair(home.c_str(), nullptr);
    AddSyncPair(nullptr, upper.c_str());
    AddSyncPair(devtest::W("HOME").c_str(), path.c_str());
    ASSERT_EQ(2u, SyncList().size());
    EXPECT_EQ(path, SyncList()[0].path);
    // The first entry whose path matches ignoring case takes the name.
    AddSyncPair(devtest::W("Lake").c_str(), upper.c_str());
    ASSERT_EQ(2u, SyncList().size());
    EXPECT_EQ(devtest::W("Lake"), SyncList()[0].name);
    EXPECT_EQ(WideString(), SyncList()[1].name);
    const WideString longName(300, 'x');
    AddSyncPair(longName.c_str(), nullptr);  // kept whole, never cut
    EXPECT_EQ(longName, SyncList()[2].name);
    FreeSyncList();
    EXPECT_TRUE(SyncList().empty());
}
