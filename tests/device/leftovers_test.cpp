// A copy to the handheld whose connection is lost in the middle of its swap
// (the emulator drops the connection at one call): the next connection
// finishes or rolls back the swap, so the name holds one whole copy, the
// user's previous one when the new one had not yet taken its place; the
// listing and the copies back never show a temporary name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "device/device_leftovers.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace devtest;

namespace {

constexpr uint64_t kOlder = kBaseTime - 864000000000ull;  // a day before
const char* const kOldPoints = "45.9,-122.9,,,Old,,\r\n";
const char* const kNewPoints = "45.1,-122.1,,,One,,\r\n45.2,-122.2,,,Two,,\r\n";

class LeftoversTest : public SyncTest {
protected:
    // Names of every database and every device-folder file.
    std::vector<std::string> DeviceNames() {
        std::vector<std::string> names;
        for (const DeviceDatabaseView& db : Databases()) names.push_back("db " + db.name);
        for (const auto& entry : std::filesystem::directory_iterator(DeviceFile("")))
            if (entry.path().filename() != "RoverlogDBV.cdb") names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> PointsOf(const std::string& database) {
        const std::vector<DeviceDatabaseView> all = Databases();
        return Find(all, database) != nullptr ? Find(all, database)->Names() : std::vector<std::string>{"none"};
    }
};

TEST_F(LeftoversTest, ALostConnectionBetweenTheRenamesOfADatabaseSwapIsHealedByTheNext) {
    const struct {
        const char* fault;                  // the call at which the connection drops
        std::vector<std::string> expected;  // the points of Home once healed
    } rows[] = {
        {"CeSetDatabaseInfoEx@1=lost", {"Old"}},         // journal written, nothing renamed
        {"CeSetDatabaseInfoEx@2=lost", {"Old"}},         // the user's copy set aside, the name free
        {"CeDeleteDatabaseEx@1=lost", {"Two", "One"}},  // the new copy holds the name, the old one not yet gone
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        ResetDevice();
        Push("Home.rlp", kOldPoints, kOlder);
        WritePc("Home.rlp", kNewPoints);
        {
            ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.fault);
            EXPECT_TRUE(IsCopyFailure(ToDevice(Pc("Home.rlp"))));
        }
        ASSERT_NE(DeviceNames(), std::vector<std::string>{"db Home"});  // something was left
        ASSERT_EQ(0, Enum());  // the fresh connection heals first, then lists
        EXPECT_EQ(std::string::npos, out_.find("~vezuved")) << out_;
        EXPECT_EQ(DeviceNames(), std::vector<std::string>{"db Home"});
        EXPECT_EQ(PointsOf("Home"), row.expected);
        EXPECT_EQ(causes_, "");
    }
}

TEST_F(LeftoversTest, ALostConnectionBetweenTheMovesOfAFileSwapIsHealedByTheNext) {
    const struct {
        const char* fault;
        const char* expected;  // the device's map once healed
    } rows[] = {
        {"CeMoveFile@2=lost", "old map"},  // the old map aside, the new one not moved in
        {"CeDeleteFile@1=lost", "new map"},  // the new map in place, the old one not yet gone
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        ResetDevice();
        for (const auto& entry : std::filesystem::directory_iterator(DeviceFile("")))
            if (entry.path().filename() != "RoverlogDBV.cdb") std::filesystem::remove(entry.path());
        WriteDevice("Topo.rlm", "old map", kOlder);
        WritePc("Topo.rlm", "new map");
        {
            ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.fault);
            EXPECT_TRUE(IsCopyFailure(ToDevice(Pc("Topo.rlm"), optAlways)));
        }
        ASSERT_NE(DeviceNames(), std::vector<std::string>{"Topo.rlm"}) << out_;
        std::filesystem::remove(Pc("Topo.rlm"));
        // The next connection heals, then copies back what a pattern matching
        // the temporary names finds: the map alone.
        EXPECT_EQ(0, FromDevice(8, "*.rlm*")) << out_ << causes_;
        EXPECT_EQ(DeviceNames(), std::vector<std::string>{"Topo.rlm"});
        EXPECT_EQ(ReadFile(DeviceFile("Topo.rlm")), row.expected);
        EXPECT_EQ(ReadFile(Pc("Topo.rlm")), row.expected);
        EXPECT_EQ(std::filesystem::directory_iterator(PcFolder())->path().filename(), "Topo.rlm");
    }
}

// What an older release left (no journal names it) is neither lost nor
// shown under the library's name: the set-aside database is kept under a
// name the user sees; a database that was being built goes.
TEST_F(LeftoversTest, LeftoversNoJournalNamesAreRecoveredOrRemoved) {
    ResetDevice({"Home", "~vezuved old 1", "~vezuved new 1"});
    ASSERT_EQ(0, Enum());
    EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"db Home", "db recovered 1"}));
    EXPECT_EQ(causes_,
              "VEZUVed: a database set aside by an interrupted copy to the handheld is kept there as 'recovered 1'\n");
}

// The PC side's temporary files (an interrupted write) are no user data
// to copy to the handheld either.
TEST_F(LeftoversTest, AFolderCopyPassesOverThePcsTemporaryFiles) {
    ResetDevice();
    WritePc("Home.rlp", kNewPoints);
    WritePc("Home.rlp.~vz1", kOldPoints);
    WritePc(".vezuved-4711-0.tmp", kOldPoints);
    EXPECT_EQ(0, ToDevice(PcFolder()));
    EXPECT_EQ(DeviceNames(), std::vector<std::string>{"db Home"});
}

TEST(LeftoverNames, OnlyTheLibrarysOwnNames) {
    for (const char* name : {"~vezuved new 1", "~vezuved old 12", "~vezuved swap 3"})
        EXPECT_TRUE(IsLeftoverDatabaseName(W(name).c_str())) << name;
    for (const char* name : {"~vezuved new", "~vezuved old 1a", "~vezuved kept 1", "vezuved new 1", "Home"})
        EXPECT_FALSE(IsLeftoverDatabaseName(W(name).c_str())) << name;
    for (const char* name : {"Topo.rlm.~vznew1", "Topo.rlm.~vzold12", "a.~vzold3"})
        EXPECT_TRUE(IsLeftoverFileName(W(name))) << name;
    for (const char* name : {"Topo.rlm", "Topo.rlm.~vz1", "Topo.rlm.~vznew", ".~vzold1", "Topo.~vzoldx"})
        EXPECT_FALSE(IsLeftoverFileName(W(name))) << name;
}

}  // namespace
