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

using namespace vezuved;

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
            if (entry.path().filename() != "RoverlogDBV.cdb")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> PointsOf(const std::string& database) {
        const std::vector<DeviceDatabaseView> all = Databases();
        return Find(all, database) != nullptr ? Find(all, database)->Names()
                                              : std::vector<std::string>{"none"};
    }
};

TEST_F(LeftoversTest, ALostConnectionInTheMiddleOfASwapIsHealedByTheNext) {
    const struct {
        const char* fault;                  // the call at which the connection drops
        bool map;                           // a file swap (the map Topo.rlm), not a database swap (Home)
        std::vector<std::string> expected;  // the points of Home or the map's bytes once healed
    } rows[] = {
        {"CeSetDatabaseInfoEx@1=lost", false, {"Old"}},        // journal written, nothing renamed
        {"CeSetDatabaseInfoEx@2=lost", false, {"Old"}},        // the user's copy set aside, the name free
        {"CeDeleteDatabaseEx@1=lost", false, {"Two", "One"}},  // the new copy named, the old one not yet gone
        {"CeMoveFile@2=lost", true, {"old map"}},              // the old map aside, the new one not moved in
        {"CeDeleteFile@1=lost", true, {"new map"}},  // the new map in place, the old one not yet gone
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        ResetDevice();
        for (const auto& entry : std::filesystem::directory_iterator(DeviceFile("")))
            if (entry.path().filename() != "RoverlogDBV.cdb") std::filesystem::remove(entry.path());
        const std::string name = row.map ? "Topo.rlm" : "Home.rlp";
        const std::vector<std::string> whole = {row.map ? "Topo.rlm" : "db Home"};
        if (row.map) {
            WriteDevice(name, "old map", kOlder);
        } else {
            Push(name, kOldPoints, kOlder);
        }
        WritePc(name, row.map ? "new map" : kNewPoints);
        {
            ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.fault);
            EXPECT_TRUE(IsCopyFailure(ToDevice(Pc(name), optAlways)));
        }
        ASSERT_NE(DeviceNames(), whole);  // something was left
        std::filesystem::remove(Pc(name));
        // The next connection heals first, then lists, or copies back what a
        // pattern matching the temporary names finds: the map alone.
        ASSERT_EQ(0, row.map ? FromDevice(8, "*.rlm*") : Enum()) << out_ << causes_;
        EXPECT_EQ(std::string::npos, out_.find("~vezuved")) << out_;
        EXPECT_EQ(causes_, "");
        EXPECT_EQ(DeviceNames(), whole);
        if (!row.map) {
            EXPECT_EQ(PointsOf("Home"), row.expected);
            continue;
        }
        EXPECT_EQ(ReadFile(DeviceFile(name)), row.expected[0]);
        EXPECT_EQ(ReadFile(Pc(name)), row.expected[0]);
        EXPECT_EQ(FolderNames(PcFolder()), (std::vector<std::string>{"RLDBSync.inf", name}));
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
              "VEZUVed: a database set aside by an interrupted copy to the handheld is kept there as "
              "'recovered 1'\n");
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
