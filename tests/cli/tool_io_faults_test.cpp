// Every command that writes a file, with its Nth file call of a kind failing
// (VEZUVED_FAIL_IO) for every N it makes: it succeeds whole, or exits 1 with
// the previous file kept, no temporary left, and the failed file named.
#if defined(VEZUVED_IO_FAULTS)

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tool_runner.h"

namespace cli_test {
namespace {

struct FaultKind {
    const char* name;
    int error;      // 0 on a write: half goes through, then the disk is full
    bool mustFail;  // every call of this kind serves the output
};
const FaultKind kKinds[] = {
    {"open", EACCES, false},
    {"read", EIO, false},
    {"write", 0, true},
    {"write", ENOSPC, true},
    {"flush", EIO, true},
    {"sync", EIO, true},
    {"close", EIO, false},
    {"rename", EXDEV, true},
    {"settime", EPERM, true},
};

struct Command {
    std::vector<std::string> arguments;
    std::string output;  // the file at stake
    // The library takes a definition it cannot read as none: no open or read is failed.
    bool readsDefinition = false;
};

class ToolIoFaults : public ToolTest {
protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Older than the handheld's copies, which a pull then replaces.
    void PutPrevious(const std::string& output) const {
        WriteFile(output, "previous contents\n");
        std::filesystem::last_write_time(
            output, std::filesystem::last_write_time(output) - std::chrono::hours(24 * 3650));
    }

    void Loop(const Command& command) {
        const std::vector<std::string>& arguments = command.arguments;
        SCOPED_TRACE(Joined(arguments));
        const std::string shell = "TMPDIR=" + Quoted(Out("tmp")) + " ";
        const bool device = arguments[0] == "device";
        PutPrevious(command.output);
        const ToolResult clean = RunTool(arguments, shell);
        ASSERT_EQ(0, clean.status) << clean.err;
        const std::string complete = ReadFile(command.output);
        ASSERT_NE("previous contents\n", complete);
        for (const FaultKind& kind : kKinds) {
            const std::string name = kind.name;
            if (command.readsDefinition && (name == "open" || name == "read")) continue;
            for (long n = 1;; ++n) {
                ASSERT_LT(n, 200) << "never ran out of calls to fail";
                const std::string armed = name + ":" + std::to_string(n) + ":" + std::to_string(kind.error);
                SCOPED_TRACE(armed);
                PutPrevious(command.output);
                const std::vector<std::string> before = Names();
                const ToolResult run = RunTool(arguments, shell + "VEZUVED_FAIL_IO=" + armed + " ");
                // The count of calls the tool gives at its end.
                const size_t said = run.err.rfind("vezuved: file calls counted: ");
                ASSERT_NE(std::string::npos, said) << run.err;
                const long counted = std::stol(run.err.substr(said + 29));
                const bool failed = run.status != 0;
                if (counted < n || !failed) {
                    EXPECT_EQ(0, run.status) << run.err;
                    EXPECT_FALSE(counted >= n && kind.mustFail) << "a failed call went unnoticed";
                    // A written database carries its moment of making: its size tells it whole.
                    EXPECT_EQ(complete.size(), ReadFile(command.output).size());
                    if (counted < n) break;
                    continue;
                }
                EXPECT_EQ(1, run.status) << run.err;
                EXPECT_EQ("previous contents\n", ReadFile(command.output));
                EXPECT_EQ(before, Names()) << "a temporary is left";
                // The file that failed is named, with the system's reason (a
                // database read tells the container's code, the device its own).
                EXPECT_NE(std::string::npos, run.err.find(folder_)) << run.err;
                const char* reason = kind.error == 0 ? "No space left on device" : std::strerror(kind.error);
                if (!device && run.err.find("cannot read the database") == std::string::npos) {
                    EXPECT_NE(std::string::npos, run.err.find(reason)) << run.err;
                }
            }
        }
    }
};

TEST_F(ToolIoFaults, EveryCommandThatWritesKeepsThePreviousFile) {
    // Sources and definitions sit in the test's folder, which a message names.
    const std::string csv = Out("hike.csv"), cal = Out("hike.cal"), track = Out("hike.pdb");
    std::filesystem::copy_file(DataFile("hike-track.csv"), csv);
    std::filesystem::copy_file(FormatFile("track.cal"), cal);
    std::filesystem::create_directories(Out("tmp"));
    ASSERT_EQ(0, RunTool({"import", csv, "-o", track}).status);
    const std::string summits = Out("summits.csv"), gpx = Out("trip.gpx");
    WriteFile(summits, "Name;Lat;Lon;Ele (ft)\nHood;45.3735;-121.6959;11249\n");
    ASSERT_EQ(0, RunTool({"convert", track, gpx}).status);
    std::vector<Command> commands = {
        {{"import", csv, "-o", Out("out.pdb")}, Out("out.pdb"), true},
        {{"export", track, "-d", cal, "-o", Out("out.txt")}, Out("out.txt"), true},
        {{"convert", gpx, Out("out.pdb")}, Out("out.pdb")},
        {{"convert", track, Out("out.csv"), "--output-definition", cal}, Out("out.csv"), true},
        {{"convert", track, Out("out.gpx")}, Out("out.gpx")},
        {{"convert", csv, Out("out.kml")}, Out("out.kml"), true},
        {{"convert", summits, Out("out.svg"), "--auto"}, Out("out.svg"), true},
        {{"convert", track, Out("out.json")}, Out("out.json")},
        {{"convert", track, Out("out.geojson"), "--points"}, Out("out-points.geojson")},
        {{"formats", "make", summits, "-o", Out("out.cal")}, Out("out.cal")},
    };
    // The device commands that write PC files, against an emulated handheld.
    const char* build = std::getenv("VEZUVED_BUILD_DIR");
    if (build != nullptr && FileExists(std::string(build) + "/librapi-emu.so")) {
        const std::string handheld = Out("handheld"), pc = Out("pc");
        std::filesystem::create_directories(handheld);
        std::filesystem::create_directories(pc);
        WriteFile(Out("flag.rli"), "an icon\n");
        for (const std::string& file : {track, Out("flag.rli")})
            ASSERT_EQ(0, RunTool({"device", "push", "--device", handheld, "--create", file}).status);
        commands.push_back({{"device", "pull", pc, "--device", handheld}, pc + "/hike.rlt"});
        commands.push_back(
            {{"device", "pull", pc, "--kind", "icons", "--always", "--device", handheld}, pc + "/flag.rli"});
        commands.push_back({{"device", "list", pc, "--device", handheld}, pc + "/RLDBSync.inf"});
    }
    for (const Command& command : commands) Loop(command);
}

// A definition that cannot be read is said to be so, with the system's reason, and not explained.
TEST_F(ToolIoFaults, AnUnreadableDefinitionIsNotExplained) {
    const std::string cal = SourceFile("examples/formats/track.cal");
    for (const auto& [armed, error] : {std::pair("open:1:13", EACCES), std::pair("read:1:5", EIO)}) {
        const ToolResult run =
            RunTool({"formats", "explain", cal}, "VEZUVED_FAIL_IO=" + std::string(armed) + " ");
        EXPECT_EQ(1, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ("vezuved: cannot read the format definition '" + cal + "': " + std::strerror(error) +
                      "\nvezuved: file calls counted: 1\n",
                  run.err);
    }
}

}  // namespace
}  // namespace cli_test

#endif  // VEZUVED_IO_FAULTS
