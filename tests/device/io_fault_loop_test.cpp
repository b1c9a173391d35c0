// Every export that writes a PC file, run with its Nth file call of one kind
// failing, N = 1, 2, ... until the run makes fewer calls than N: each run
// either succeeds with the complete new file or fails with the previous file
// as it was, no temporary beside it and a cause naming the file that failed.
#if defined(VEZUVED_IO_FAULTS) && !defined(_WIN32)

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>

#include "device/transfer_rules.h"
#include "device_test_support.h"
#include "platform/io_faults.h"

using namespace devtest;

namespace {

struct FaultKind {
    IoCall call;
    int error;      // 0 on a write: half goes through, then the disk is full
    bool mustFail;  // every call of this kind in these runs serves the output
};
// An open or read may serve a definition, whose absence means something: then the file is complete.
const FaultKind kKinds[] = {
    {IoCall::Open, EACCES, false},
    {IoCall::Read, EIO, false},
    {IoCall::Read, 0, false},
    {IoCall::Write, 0, true},
    {IoCall::Write, ENOSPC, true},
    {IoCall::Flush, EIO, true},
    {IoCall::Sync, EIO, true},
    {IoCall::Close, EIO, false},
    {IoCall::Rename, EXDEV, true},
    {IoCall::Remove, EIO, false},
    {IoCall::SetTime, EPERM, true},
};

// The calls a run always makes: one never made cannot fail, and would pass as "ran out of calls".
using Reached = std::vector<IoCall>;
const Reached kReplaced = {
    IoCall::Open, IoCall::Write, IoCall::Flush, IoCall::Sync, IoCall::Close, IoCall::Rename};
const Reached kFromDevice = {IoCall::Open, IoCall::Write, IoCall::Close, IoCall::Rename, IoCall::SetTime};
const Reached kMoved = {IoCall::Open, IoCall::Read, IoCall::Close, IoCall::Remove};

struct Scenario {
    const char* name;
    std::string file;               // the PC file at stake
    std::function<void()> prepare;  // puts the previous files in place
    std::function<int32_t()> run;
    Reached reached = kReplaced;
    bool closesOnlyTheOutput = false;  // then a failed close is a failed write
    std::function<bool(int32_t)> succeeded = [](int32_t result) { return result == 0; };
    bool readsOnlyTheSource = false;                    // then a failed read is a failed copy
    std::function<bool()> whole = [] { return true; };  // what a success made elsewhere is complete
};

class IoFaultLoop : public SyncTest {
protected:
    std::string Put(const std::string& name, const std::string& bytes) {
        WritePc(name, bytes, kBaseTime - 864000000000ull);  // a day older than the device's
        return Pc(name);
    }
    static std::optional<std::string> Contents(const std::string& path) {
        return FileExists(path) ? std::optional<std::string>(ReadFileText(path)) : std::nullopt;
    }
    // A database carries the moment it was made: a complete one is known by its size, not the bytes.
    static void ExpectComplete(const std::optional<std::string>& complete,
                               const std::optional<std::string>& previous,
                               const std::optional<std::string>& now) {
        ASSERT_EQ(complete.has_value(), now.has_value());
        if (!now) return;
        EXPECT_EQ(complete->size(), now->size());
        EXPECT_NE(previous, now);
    }

    void Loop(const Scenario& scenario) {
        SCOPED_TRACE(scenario.name);
        scenario.prepare();
        const std::optional<std::string> previous = Contents(scenario.file);
        if (previous) ::chmod(scenario.file.c_str(), 0600);
        ASSERT_TRUE(scenario.succeeded(scenario.run())) << causes_;
        const std::optional<std::string> complete = Contents(scenario.file);
        ASSERT_NE(previous, complete);
        struct stat st;
        if (previous && complete && ::stat(scenario.file.c_str(), &st) == 0) {
            EXPECT_EQ(0600u, st.st_mode & 0777u) << "a replaced file keeps its permissions";
        }
        for (const FaultKind& kind : kKinds) {
            SCOPED_TRACE(testing::Message() << IoCallName(kind.call) << " errno " << kind.error);
            for (long n = 1;; ++n) {
                ASSERT_LT(n, 300) << "never ran out of calls to fail";
                SCOPED_TRACE(n);
                scenario.prepare();
                const std::vector<std::string> before = FolderNames(PcFolder());
                FailIoCallAfter(kind.call, n, kind.error);
                const int32_t result = scenario.run();
                const long made = FailIoCallAfter(kind.call, 0, 0);
                const bool ok = scenario.succeeded(result);
                if (n == 1 && std::count(scenario.reached.begin(), scenario.reached.end(), kind.call) != 0) {
                    EXPECT_GE(made, 1) << "a call it must make was never made";
                }
                if (made < n || ok) {
                    EXPECT_TRUE(ok) << result << " " << causes_;
                    const bool mustFail =
                        kind.mustFail || (kind.call == IoCall::Close && scenario.closesOnlyTheOutput) ||
                        (kind.call == IoCall::Read && kind.error != 0 && scenario.readsOnlyTheSource);
                    EXPECT_FALSE(made >= n && mustFail) << "a failed call went unnoticed";
                    // A move that cannot delete the file it copied keeps it: nothing is lost.
                    if (!(kind.call == IoCall::Remove && previous == Contents(scenario.file)))
                        ExpectComplete(complete, previous, Contents(scenario.file));
                    EXPECT_TRUE(scenario.whole()) << "a success left a part";
                    if (made < n) break;
                    continue;
                }
                EXPECT_EQ(previous, Contents(scenario.file));
                EXPECT_EQ(before, FolderNames(PcFolder())) << "a temporary is left";
                // The file that failed (the output, its folder or a source) is named.
                EXPECT_NE(std::string::npos, (causes_ + out_).find(PcFolder())) << causes_ << out_;
            }
        }
    }
};

const char kText[] =
    "45.5,-122.5,100,143005 24122004,Home,House,\"note, with comma\"\r\n1,2,,,Camp,Flag,\r\n";
const char kDefinition[] = "FormatTitle=Trip\r\nFieldCount=7\r\nExt=.csv\r\n";

TEST_F(IoFaultLoop, EveryExportThatWritesKeepsThePreviousFile) {
    OwnedArray records(2);
    FillPoint(records[0], "45.5", "-122.25", "100", "143005 24122004", "Home", "House", "Gate, back");
    FillPoint(records[1], "-3", "4", "5", "000001 01012001", "Far", "", "a longer description here");
    const std::string database = Pc("trip.pdb"), definition = Pc("trip.cal"), text = Pc("trip.csv");
    std::string output;  // the derived path is written back into it
    const auto replaced = [](int32_t result) { return result == devReplaced || result == 0; };
    // An export run with its output captured.
    const auto runs = [this](std::function<int32_t()> call) { return [this, call] { return Run(call); }; };
    const Scenario scenarios[] = {
        {"write a database", Pc("w.pdb"), [&] { Put("w.pdb", "old"); }, runs([&] {
             return RLDBWritePDB(Pc("w.pdb").c_str(), records.data(), 2, 0);
         })},
        {"import",
         database,
         [&] { Put("trip.csv", kText), Put("trip.cal", kDefinition), Put("trip.pdb", "old"); },
         runs([&] {
             output = database;
             return RLDBImport(text.c_str(), &output[0], definition.c_str(), 0, -1, -1, nullptr);
         })},
        {"export",
         Pc("out.csv"),
         [&] {
             Put("trip.cal", kDefinition), Put("out.csv", "old");
             ASSERT_EQ(0, RLDBWritePDB(database.c_str(), records.data(), 2, 0));
         },
         runs([&] {
             output = Pc("out.csv");
             return RLDBExport(database.c_str(), &output[0], definition.c_str(), -1, -1, -1, nullptr);
         })},
        {"write text", Pc("b.csv"), [&] { Put("trip.cal", kDefinition), Put("b.csv", "old"); }, runs([&] {
             return RLDBWriteCSV(
                 Pc("b.csv").c_str(), definition.c_str(), 0, -1, -1, nullptr, records.data(), 2);
         })},
        // The listing's result stays 0: a sync file it cannot write is said.
        {"listing",
         Pc("RLDBSync.inf"),
         [&] { Put("RLDBSync.inf", "old"); },
         [&] { return Enum(); },
         {IoCall::Open, IoCall::Write, IoCall::Close, IoCall::Rename},
         true,
         [&](int32_t result) {
             return result == 0 && out_.find("Error !!! Writing sync file") == std::string::npos;
         }},
        {"database from the device",
         Pc("Home.rlp"),
         [&] { ResetDevice(), Push("Home.rlp", kText), Put("Home.rlp", "old\r\n"); },
         [&] { return FromDevice(0, nullptr); },
         kFromDevice,
         true},
        {"file from the device",
         Pc("flag.rli"),
         [&] { WriteDevice("flag.rli", "device icon"), Put("flag.rli", "pc icon"); },
         [&] { return FromDevice(9, nullptr, optAlways); },
         kFromDevice,
         true,
         [](int32_t result) { return result == devReplaced; }},
        {"move to the device",
         Pc("Move.rlp"),
         [&] { ResetDevice(), Put("Move.rlp", kText); },
         [&] { return ToDevice(Pc("Move.rlp"), optMove | optAlways); },
         kMoved},
        // A source that ends before its size is no copy: the PC file stays.
        {"move a file to the device",
         Pc("pin.rli"),
         [&] { Put("pin.rli", std::string(3000, 'i')); },
         [&] { return ToDevice(Pc("pin.rli"), optMove | optAlways); },
         kMoved,
         false,
         replaced,
         true,
         [&] {
             return FileExists(DeviceFile("pin.rli")) && ReadFileText(DeviceFile("pin.rli")).size() == 3000;
         }},
    };
    for (const Scenario& scenario : scenarios) Loop(scenario);
}

}  // namespace

#endif  // VEZUVED_IO_FAULTS
