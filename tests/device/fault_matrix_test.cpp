// Every remote API call a small copy makes, failed in turn, both ways over an existing destination:
// a failed copy leaves both sides as the user sees them as they were; the next connection heals
// what a failure between two renames left, whose outcome a lost connection pins.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "device/device_leftovers.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace devtest;

namespace {

constexpr uint64_t kOlder = kBaseTime - 864000000000ull;  // a day before
const char* const kNewPoints =
    "45.1,-122.1,,,One,,\r\n45.2,-122.2,,,Two,,\r\n45.3,-122.3,,,Three,,\r\n45.4,-122.4,,,Four,,\r\n";
const char* const kNewRoute = "45.1,-122.1,,,A,,\r\n45.2,-122.2,,,B,,\r\n45.3,-122.3,,,C,,\r\n";
const char* const kOldText = "45.9,-122.9,,,Old,,\r\n";
const char* const kTwoPoints = "45.1,-122.1,,,One,,\r\n45.2,-122.2,,,Two,,\r\n";

class FaultMatrixTest : public SyncTest {
protected:
    struct Scenario {
        const char* name;
        std::function<void()> setUp;
        std::function<int32_t()> copy;
    };

    void ClearPc() {
        for (const auto& entry : std::filesystem::directory_iterator(PcFolder()))
            std::filesystem::remove_all(entry);
    }

    // Both sides, part by part: each database and file with time and bytes.
    using State = std::map<std::string, std::string>;
    State Snapshot() {
        State state;
        for (const DeviceDatabaseView& db : Databases()) {
            std::ostringstream out;
            out << db.type << " " << db.modified << "\n";
            for (const DeviceRecord& r : db.records)
                out << r.text << "|" << r.name << "|" << r.longitude << "\n";
            state["db " + db.name] = out.str();
        }
        for (const std::string& folder : {root_.Path(), PcFolder()})
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
                const std::string path = entry.path().string();
                const bool content = entry.is_regular_file() && entry.path().filename() != "RoverlogDBV.cdb";
                state[path] = content ? std::to_string(TimeOf(path)) + " " + ReadFileText(path) : "";
            }
        return state;
    }

    // The parts the user sees: none under the library's own temporary names.
    static State Visible(const State& state) {
        State visible;
        for (const auto& [part, value] : state) {
            const bool database = part.rfind("db ", 0) == 0;
            const WideString name = W(database ? part.substr(3).c_str()
                                               : std::filesystem::path(part).filename().string().c_str());
            if (database ? !IsLeftoverDatabaseName(name.c_str()) : !IsLeftoverFileName(name))
                visible[part] = value;
        }
        return visible;
    }

    // A fresh connection (a listing), which heals what the copy left.
    void Reconnect() {
        ASSERT_EQ(0, Enum());
        std::filesystem::remove(Pc("RLDBSync.inf"));
    }

    // Every part as it was or as the copy makes it, and nothing else.
    static void ExpectWholeParts(const State& before, const State& after, const State& now) {
        ASSERT_EQ(before.size(), now.size());
        for (const auto& [part, value] : now) {
            ASSERT_EQ(1u, before.count(part)) << part;
            EXPECT_TRUE(value == before.at(part) || value == after.at(part)) << part;
        }
    }

    // Calls per entry point of a clean run.
    std::map<std::string, int> CallsOf(const Scenario& scenario) {
        const std::string log = root_.Join("calls.log");
        {
            ScopedEnv logging("VEZUVED_DEVICE_LOG", log.c_str());
            scenario.copy();
        }
        std::map<std::string, int> calls;
        std::istringstream lines(ReadFileText(log));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && line[0] != '#') ++calls[line.substr(0, line.find('('))];
        std::filesystem::remove(log);
        return calls;
    }

    void RunMatrix(const Scenario& scenario) {
        SCOPED_TRACE(scenario.name);
        scenario.setUp();
        const State before = Snapshot();
        const std::map<std::string, int> calls = CallsOf(scenario);
        const State after = Snapshot();
        ASSERT_NE(before, after);
        for (const auto& [entry, count] : calls) {
            for (int index = 1; index <= count; ++index) {
                for (const char* kind : {"", "=short"}) {
                    const bool shortTransfer = kind[0] != 0;
                    if (shortTransfer && entry != "CeWriteFile" && entry != "CeReadFile") continue;
                    const std::string fault = entry + "@" + std::to_string(index) + kind;
                    SCOPED_TRACE(fault);
                    scenario.setUp();
                    int32_t result = 0;
                    {
                        ScopedEnv faults("VEZUVED_DEVICE_FAULTS", fault.c_str());
                        result = scenario.copy();
                    }
                    if (!IsCopyFailure(result)) {
                        // A harmless failure (a close, healing left to later, a half read).
                        EXPECT_TRUE(after == Visible(Snapshot())) << result;
                        Reconnect();
                        EXPECT_TRUE(after == Snapshot());
                        continue;
                    }
                    // A part done before the failure (the map) stays new; none is half-written.
                    ExpectWholeParts(Visible(before), Visible(after), Visible(Snapshot()));
                    Reconnect();
                    ExpectWholeParts(before, after, Snapshot());
                }
            }
        }
    }

    void RunDirection(bool push);
};

// The points, the route and the map, copied one way. Each way is a test of its own: a matrix leaves
// the connection as a lost one would, and a 32-bit Windows process takes no second matrix after it.
void FaultMatrixTest::RunDirection(bool push) {
    // The side the copy reads holds the newer points, route and map.
    const auto database = [&](const char* file, const char* text, int16_t kind) {
        return Scenario{file,
                        [=] {
                            ClearPc();
                            ResetDevice();
                            Push(file, push ? kOldText : text, push ? kOlder : kBaseTime);
                            WritePc(file, push ? text : kOldText, push ? kBaseTime : kOlder);
                        },
                        // A pull asked to move leaves the handheld's copy whatever fails.
                        [=] { return push ? ToDevice(Pc(file)) : FromDevice(kind, nullptr, optMove); }};
    };
    const Scenario scenarios[] = {
        database("Home.rlp", kNewPoints, 0),
        database("Hike.rlr", kNewRoute, 2),
        {"map",
         [&] {
             ClearPc();
             const auto put = [&](bool pc, const char* file, const std::string& bytes, uint64_t time) {
                 pc ? WritePc(file, bytes, time) : WriteDevice(file, bytes, time);
             };
             put(!push, "Topo_jpg.rlm", "old map", kOlder), put(!push, "Topo.jpg", "old image", kOlder);
             put(push, "Topo_jpg.rlm", std::string(2500, 'm'), kBaseTime);
             put(push, "Topo.jpg", std::string(1500, 'i'), kBaseTime);
         },
         [&] { return push ? ToDevice(Pc("Topo_jpg.rlm"), optAlways) : FromDevice(8, nullptr, optAlways); }},
    };
    for (const Scenario& scenario : scenarios) RunMatrix(scenario);
}

TEST_F(FaultMatrixTest, EveryCallOfAPushFailsSafely) { RunDirection(true); }

TEST_F(FaultMatrixTest, EveryCallOfAPullFailsSafely) { RunDirection(false); }

// A push whose connection is lost in the middle of its swap: the next connection finishes or rolls
// back the swap, so the name holds one whole copy, the previous one when the new one had not taken
// its place; the listing and the copies back never show a temporary name.
class LeftoversTest : public SyncTest {
protected:
    // Names of every database and every device-folder file.
    Strings DeviceNames() {
        Strings names;
        for (const DeviceDatabaseView& db : Databases()) names.push_back("db " + db.name);
        for (const auto& entry : std::filesystem::directory_iterator(DeviceFile("")))
            if (entry.path().filename() != "RoverlogDBV.cdb")
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(LeftoversTest, ALostConnectionInTheMiddleOfASwapIsHealedByTheNext) {
    const struct {
        const char* fault;  // the call at which the connection drops
        bool map;           // a file swap (the map Topo.rlm), not a database swap
        Strings expected;   // the database's points or the map's bytes once healed
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
        // A database's name longer than the temporary names it is built under.
        const std::string name = row.map ? "Topo.rlm" : "Morning on the ridge.rlp";
        const Strings whole = {row.map ? "Topo.rlm" : "db Morning on the ridge"};
        row.map ? WriteDevice(name, "old map", kOlder) : Push(name, kOldText, kOlder);
        WritePc(name, row.map ? "new map" : kTwoPoints);
        {
            ScopedEnv fault("VEZUVED_DEVICE_FAULTS", row.fault);
            EXPECT_TRUE(IsCopyFailure(ToDevice(Pc(name), optAlways)));
        }
        ASSERT_NE(DeviceNames(), whole);  // something was left
        std::filesystem::remove(Pc(name));
        // The next connection heals, then lists or copies back what matches the temporary names: the map.
        ASSERT_EQ(0, row.map ? FromDevice(8, "*.rlm*") : Enum()) << out_ << causes_;
        EXPECT_EQ(std::string::npos, out_.find("~vezuved")) << out_;
        EXPECT_EQ(causes_, "");
        ASSERT_EQ(DeviceNames(), whole);
        if (!row.map) {
            EXPECT_EQ(Databases()[0].Names(), row.expected);  // the one database
            continue;
        }
        EXPECT_EQ(ReadFileText(DeviceFile(name)), row.expected[0]);
        EXPECT_EQ(ReadFileText(Pc(name)), row.expected[0]);
        EXPECT_EQ(FolderNames(PcFolder()), (Strings{"RLDBSync.inf", name}));
    }
}

// What an older release left (no journal names it) is neither lost nor shown under the library's
// name: the set-aside database is kept under a name the user sees; one being built goes.
TEST_F(LeftoversTest, LeftoversOfAnOlderReleaseOrOfThePcAreNoUserData) {
    ResetDevice({"Home", "~vezuved old 1", "~vezuved new 1"});
    ASSERT_EQ(0, Enum());
    EXPECT_EQ(DeviceNames(), (Strings{"db Home", "db recovered 1"}));
    EXPECT_EQ(causes_,
              "VEZUVed: a database set aside by an interrupted copy to the handheld is kept there as "
              "'recovered 1'\n");
    // The last free name is taken; with none free the database stays, under its own name.
    for (const int taken : {98, 99}) {
        std::vector<std::string> names = {"~vezuved old 2"};
        for (int n = 1; n <= taken; ++n) names.push_back("recovered " + std::to_string(n));
        ResetDevice(names);
        ASSERT_EQ(0, Enum());
        EXPECT_EQ(causes_,
                  taken == 98
                      ? "VEZUVed: a database set aside by an interrupted copy to the handheld is kept "
                        "there as 'recovered 99'\n"
                      : "VEZUVed: a database set aside by an interrupted copy stays on the handheld as "
                        "'~vezuved old 2'\n");
    }
    // The PC side's temporary files (an interrupted write) are no user data to push either.
    ResetDevice();
    std::filesystem::remove(Pc("RLDBSync.inf"));
    WritePc("Home.rlp", kTwoPoints);
    WritePc("Home.rlp.~vz1", kOldText);
    WritePc(".vezuved-4711-0.tmp", kOldText);
    EXPECT_EQ(0, ToDevice(PcFolder()));
    EXPECT_EQ(DeviceNames(), Strings{"db Home"});
    // The next write into the folder removes what was left years ago.
    std::filesystem::remove(Pc("Home.rlp"));
    EXPECT_EQ(0, FromDevice(-1, nullptr));
    EXPECT_EQ(std::make_pair(FileExists(Pc("Home.rlp")), FileExists(Pc("Home.rlp.~vz1"))),
              std::make_pair(true, false));
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
