// Every remote API call a small copy makes, failed in turn, in both
// directions and over an existing destination: a failed copy reports an
// error and leaves both sides as the user sees them exactly as they were;
// what a failure between two renames leaves under the library's own names
// is healed by the next connection, after which no temporary name is left;
// the listing then still sees the previous copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "device/device_leftovers.h"
#include "device/transfer_rules.h"
#include "device_test_support.h"

using namespace vezuved;

using namespace devtest;

namespace {

constexpr uint64_t kOlder = kBaseTime - 864000000000ull;  // a day before
const char* const kNewPoints =
    "45.1,-122.1,,,One,,\r\n45.2,-122.2,,,Two,,\r\n45.3,-122.3,,,Three,,\r\n45.4,-122.4,,,Four,,\r\n";
const char* const kNewRoute = "45.1,-122.1,,,A,,\r\n45.2,-122.2,,,B,,\r\n45.3,-122.3,,,C,,\r\n";
const char* const kOldText = "45.9,-122.9,,,Old,,\r\n";

class FaultMatrixTest : public SyncTest {
protected:
    struct Scenario {
        const char* name;
        std::function<void()> setUp;
        std::function<int32_t()> copy;
        const char* listed;     // database name the listing shows, or null
        const char* stillTrue;  // what the listing must still say of it
    };

    void ClearPc() {
        for (const auto& entry : std::filesystem::directory_iterator(PcFolder()))
            std::filesystem::remove_all(entry);
    }

    // Both sides, part by part: each device database and each file (the
    // volume file itself is seen through its databases) with time and bytes.
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
                state[path] = content ? std::to_string(TimeOf(path)) + " " + ReadFile(path) : "";
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

    // Every part whole, as it was or as the copy makes it, and nothing else
    // (no temporary name) present.
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
        std::istringstream lines(ReadFile(log));
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
                        // A harmless failure (a close, healing that waits
                        // for the next connection, a read that gave half):
                        // the copy is complete as the user sees it, and
                        // whole once the next connection has healed.
                        EXPECT_TRUE(after == Visible(Snapshot())) << result;
                        Reconnect();
                        EXPECT_TRUE(after == Snapshot());
                        continue;
                    }
                    // A failure that came after a part was complete (the
                    // map before its companion, the end of an enumeration
                    // after the database) leaves that part new; none is ever
                    // half-written, before healing as the user sees it, and
                    // after it with nothing else left.
                    ExpectWholeParts(Visible(before), Visible(after), Visible(Snapshot()));
                    Reconnect();
                    const State now = Snapshot();
                    ExpectWholeParts(before, after, now);
                    if (scenario.listed == nullptr || now != before) continue;
                    ASSERT_EQ(0, Enum());
                    const size_t line = out_.find(std::string(scenario.listed) + " ");
                    ASSERT_NE(std::string::npos, line) << out_;
                    const std::string listed = out_.substr(line, out_.find('\n', line) - line);
                    EXPECT_NE(std::string::npos, listed.find(scenario.stillTrue)) << listed;
                    std::filesystem::remove(Pc("RLDBSync.inf"));
                }
            }
        }
    }
};

TEST_F(FaultMatrixTest, EveryCallOfAPushOrAPullFailsSafely) {
    for (const bool push : {true, false}) {
        // The side the copy reads holds the newer points, route and map.
        const auto database = [&](const char* file, const char* text, const char* listed, int16_t kind) {
            return Scenario{file,
                            [=] {
                                ClearPc();
                                ResetDevice();
                                Push(file, push ? kOldText : text, push ? kOlder : kBaseTime);
                                WritePc(file, push ? text : kOldText, push ? kBaseTime : kOlder);
                            },
                            [=] { return push ? ToDevice(Pc(file)) : FromDevice(kind, nullptr); },
                            listed,
                            push ? "Newer On PC" : "Newer On Device"};
        };
        const Scenario scenarios[] = {
            database("Home.rlp", kNewPoints, "Home", 0),
            database("Hike.rlr", kNewRoute, "Hike", 2),
            {"map",
             [&] {
                 ClearPc();
                 const auto older = [&](const char* file, const std::string& bytes) {
                     push ? WriteDevice(file, bytes, kOlder) : WritePc(file, bytes, kOlder);
                 };
                 const auto newer = [&](const char* file, const std::string& bytes) {
                     push ? WritePc(file, bytes) : WriteDevice(file, bytes);
                 };
                 older("Topo_jpg.rlm", "old map"), older("Topo.jpg", "old image");
                 newer("Topo_jpg.rlm", std::string(2500, 'm')), newer("Topo.jpg", std::string(1500, 'i'));
             },
             [&] {
                 return push ? ToDevice(Pc("Topo_jpg.rlm"), optAlways) : FromDevice(8, nullptr, optAlways);
             },
             nullptr,
             nullptr},
        };
        SCOPED_TRACE(push ? "push" : "pull");
        for (const Scenario& scenario : scenarios) RunMatrix(scenario);
    }
}

}  // namespace
