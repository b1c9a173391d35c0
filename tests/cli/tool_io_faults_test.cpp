// Every tool command that writes a file, run with its Nth file call of one
// kind failing (VEZUVED_FAIL_IO, read by test builds of the tool), N = 1,
// 2, ... until the tool counts fewer calls than N: each run either succeeds
// with the complete file or exits 1 with the previous file as it was, no
// temporary beside it, and a message naming the file that failed.
#if defined(VEZUVED_IO_FAULTS)

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
};

class ToolIoFaults : public ToolTest {
protected:
    // The count the tool gives at its end, or -1 when it said none.
    static long Counted(const std::string& err) {
        const std::string mark = "vezuved: file calls counted: ";
        const size_t at = err.rfind(mark);
        return at == std::string::npos ? -1 : std::stol(err.substr(at + mark.size()));
    }
    static std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // readsDefinition: the library takes a definition it cannot open or read
    // as none, by its rules, and goes on with the defaults; such a command is
    // not run with its opens and reads failing.
    void Loop(const std::vector<std::string>& arguments, const std::string& output, bool readsDefinition) {
        SCOPED_TRACE(Joined(arguments));
        const std::string previous = "previous contents\n";
        WriteFile(output, previous);
        const ToolResult clean = RunTool(arguments);
        ASSERT_EQ(0, clean.status) << clean.err;
        const std::string complete = ReadFile(output);
        ASSERT_NE(previous, complete);
        for (const FaultKind& kind : kKinds) {
            if (readsDefinition && (std::string(kind.name) == "open" || std::string(kind.name) == "read"))
                continue;
            for (long n = 1;; ++n) {
                ASSERT_LT(n, 200) << "never ran out of calls to fail";
                const std::string armed =
                    std::string(kind.name) + ":" + std::to_string(n) + ":" + std::to_string(kind.error);
                SCOPED_TRACE(armed);
                WriteFile(output, previous);
                const std::vector<std::string> before = Names(folder_);
                const ToolResult run = RunTool(arguments, "VEZUVED_FAIL_IO=" + armed + " ");
                const long counted = Counted(run.err);
                ASSERT_GE(counted, 0) << run.err;
                if (counted < n || run.status == 0) {
                    EXPECT_EQ(0, run.status) << run.err;
                    EXPECT_FALSE(counted >= n && kind.mustFail) << "a failed call went unnoticed";
                    // A written database carries its moment of making: its size tells it whole.
                    EXPECT_EQ(complete.size(), ReadFile(output).size());
                    if (counted < n) break;
                    continue;
                }
                EXPECT_EQ(1, run.status) << run.err;
                EXPECT_EQ(previous, ReadFile(output));
                EXPECT_EQ(before, Names(folder_)) << "a temporary is left";
                // The file that failed is named: the output, its folder, a source or a work file.
                EXPECT_NE(std::string::npos, run.err.find(" '/")) << run.err;
                // ... with the system's reason, not a consequence of the failure;
                // a database read tells the container's error code instead.
                const char* reason = kind.error == 0 ? "No space left on device" : std::strerror(kind.error);
                if (run.err.find("cannot read the database") == std::string::npos)
                    EXPECT_NE(std::string::npos, run.err.find(reason)) << run.err;
            }
        }
    }
};

TEST_F(ToolIoFaults, EveryCommandThatWritesKeepsThePreviousFile) {
    const std::string track = Out("hike.pdb");
    ASSERT_EQ(
        0,
        RunTool({"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", track}).status);
    const std::string summits = Out("summits.csv");
    WriteFile(summits, "Name;Lat;Lon;Ele (ft)\nHood;45.3735;-121.6959;11249\n");
    const struct {
        std::vector<std::string> arguments;
        std::string output;
        bool readsDefinition;
    } commands[] = {
        {{"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", Out("out.pdb")},
         Out("out.pdb"),
         true},
        {{"export", track, "-d", FormatFile("garmin.cal"), "-o", Out("out.txt")}, Out("out.txt"), true},
        {{"convert", track, Out("out.gpx")}, Out("out.gpx"), false},
        {{"convert", DataFile("hike-track.csv"), Out("out.kml"), "-d", FormatFile("track.cal")},
         Out("out.kml"),
         true},
        {{"convert", track, Out("out.geojson")}, Out("out.geojson"), false},
        {{"formats", "make", summits, "-o", Out("out.cal")}, Out("out.cal"), false},
    };
    for (const auto& command : commands) Loop(command.arguments, command.output, command.readsDefinition);
}

}  // namespace
}  // namespace cli_test

#endif  // VEZUVED_IO_FAULTS
