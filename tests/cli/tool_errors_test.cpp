// Exit statuses and messages: 2 for usage errors, 1 for files the tool
// cannot convert, with a sentence on standard error naming the file; a
// failed write, or a signal, leaves the previous file as it was.
#include "files/library_lines.h"
#include "tool_runner.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace cli_test {
namespace {

using ToolErrors = ToolTest;

struct ErrorCase {
    std::vector<std::string> arguments;
    int status;
    std::string message;  // expected on standard error
};

void Check(const std::vector<ErrorCase>& cases) {
    for (const auto& c : cases) Fails(c.status, c.arguments, c.message);
}

TEST_F(ToolErrors, UsageErrorsExitWithTwo) {
    Check({
        {{}, 2, "subcommand is required"},
        {{"fly"}, 2, "fly"},
        {{"show"}, 2, "file is required"},
        {{"import", "a.csv", "--kind", "plane"}, 2, "plane"},
        {{"import", "a.csv", "--metres", "--feet"}, 2, "excludes"},
        {{"show", "a.pdb", "--output", "png"}, 2, "png"},
        {{"show", "a.csv", "--columns", "name,height"}, 2, "'height' is no field name"},
        {{"show", "a.csv", "--columns", "1,2,3"}, 2, "seven column numbers"},
        {{"convert", "a.gpx", "b.xyz"}, 2, "'.xyz' is no known extension"},
        {{"convert", "-", "b.pdb"}, 2, "needs --from"},
        {{"convert", "a.csv", "b.kml", "--points"},
         2,
         "--points writes a second GeoJSON file beside a .geojson"},
        {{"show", "a.pdb", "--output", "svg", "--compact=maybe"}, 2, "compact"},
        {{"info", "a.pdb", "extra"}, 2, "extra"},
    });
}

TEST_F(ToolErrors, FilesItCannotReadOrWriteExitWithOne) {
    const std::string missing = folder_ + "/missing", nowhere = folder_ + "/no/such/folder/out";
    const std::string summits = DataFile("summits.csv"), definition = FormatFile("name-first.cal");
    WriteFile(Out("empty.csv"), "");
    Check({
        {{"info", missing + ".pdb"}, 1, "cannot read the database '" + missing + ".pdb': no such file"},
        {{"show", missing + ".csv"}, 1, "cannot read the text file '" + missing + ".csv'"},
        {{"import", missing + ".csv"}, 1, "no such file"},
        {{"export", missing + ".pdb"}, 1, "no such file"},
        {{"convert", missing + ".pdb", Out("x.gpx")}, 1, "no such file"},
        {{"convert", missing + ".gpx", Out("x.pdb")},
         1,
         "cannot read the GPX file '" + missing + ".gpx': no such file"},
        {{"import", summits, "-d", missing + ".cal"},
         1,
         "cannot read the format definition '" + missing + ".cal'"},
        {{"formats", missing}, 1, "no such folder"},
        {{"info", folder_}, 1, "is a folder"},
        {{"import", summits, "-d", definition, "-o", nowhere + ".pdb"}, 1, "cannot be created"},
        // The folder no file can be made in is what failed, and is named.
        {{"convert", summits, nowhere + ".gpx", "-d", definition},
         1,
         "cannot create a file in '" + folder_ + "/no/such/folder': No such file or directory"},
        {{"import", Out("empty.csv"), "-d", definition},
         1,
         "cannot read the text file '" + Out("empty.csv") + "': it is empty"},
        {{"show", Out("empty.csv"), "-d", definition}, 1, "it is empty"},
    });
}

// A full disk (writes past 2 KB fail with EFBIG) and an output that is the
// input: exit 1 with the file and the cause named, the previous file kept
// byte for byte, no temporary file left.
TEST_F(ToolErrors, FailedWritesKeepThePreviousFile) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "45.5,-122.5,100,,Point" + std::to_string(i) + ",Flag,a note\n";
    const std::string points = Out("points.csv"), database = Out("s.pdb"), big = Out("big.csv");
    WriteFile(points, text);
    for (int i = 0; i < 5; ++i) text += text;
    WriteFile(big, text);
    const std::string comma = FormatFile("comma.cal");
    Ok({"import", points, "-d", comma, "-o", database});
    const std::string full = "ulimit -f 4; trap '' XFSZ; ";  // 4 blocks of 512 bytes
    const std::string itself = "': it is the input '" + database + "' itself; nothing was written";
    // Each run and the cause it gives; the disk is full for all but the
    // input's own (every other failed file call is the fault loop's).
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"convert", points, Out("keep.gpx"), "-d", comma}, "': File too large"},
        // Past several buffers: the first failed write is the one reported.
        {{"convert", big, Out("big.geojson"), "-d", comma}, "': File too large"},
        {{"export", database, "-o", database}, itself},
        {{"convert", database, database}, itself},
    };
    for (const auto& [arguments, cause] : cases) {
        const std::string& target = arguments.back() == comma ? arguments[2] : arguments.back();
        SCOPED_TRACE(Joined(arguments));
        if (target != database) WriteFile(target, std::string(600, 'p'));
        const std::string before = ReadFile(target);
        const std::vector<std::string> names = FolderNames(folder_);
        Fails(
            1, arguments, "vezuved: cannot write '" + target + cause + "\n", target == database ? "" : full);
        EXPECT_EQ(ReadFile(target), before);
        EXPECT_EQ(FolderNames(folder_), names);
    }
}

// Standard output carries only the document: what the library says goes to
// standard error, whether the document is made (a definition that is not
// there, given for a database) or not (a database cut short under every
// command that reads one, a definition that is not there).
TEST_F(ToolErrors, LibraryMessagesGoToStandardError) {
    const std::string db = Out("hike.pdb"), cut = Out("cut.pdb"), text = Out("peaks.csv");
    Ok({"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", db});
    WriteFile(cut, ReadFile(db).substr(0, 200));
    WriteFile(text, "46.5776,8.0053,1000,,Eiger,,\n");
    const std::string damaged = "Err: 0x408\nvezuved: cannot read the database '" + cut +
                                "': it is no valid Palm database (error 1032)\n";
    // A definition that is not there, given for a database: the document is made, whole.
    const std::string gpx = Expected(0, "", {"show", db, "--output", "gpx", "-d", Out("nothing.cal")});
    EXPECT_EQ(gpx.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx ", 0), 0u) << gpx;
    EXPECT_EQ(gpx.substr(gpx.size() - std::min<size_t>(gpx.size(), 7)), "</gpx>\n") << gpx;
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string err, out;  // out: the tool's own lines
    } rows[] = {
        {{"show", text, "--output", "gpx", "-d", Out("nothere.cal")},
         1,
         "vezuved: cannot read the format definition '" + Out("nothere.cal") + "': no such file\n",
         ""},
        {{"show", cut, "--output", "gpx"}, 1, damaged, ""},
        // Each library line ends, even one the library leaves open ("Err: 0x408").
        {{"export", db, "-o", Out("hike.txt")}, 0, "No Cal File\n", "Wrote " + Out("hike.txt") + "\n"},
        {{"info", cut}, 1, damaged, ""},
        {{"convert", cut, Out("cut.gpx")}, 1, damaged, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(Expected(row.status, row.err, row.arguments), row.out);
    EXPECT_FALSE(FileExists(Out("cut.gpx")));
    Fails(1, {"export", cut}, damaged);
}

// The device commands name the emulator they tried and why it did not load,
// in the system's words, not a Windows error number.
TEST_F(ToolErrors, AnEmulatorThatDoesNotLoadIsNamedWithItsCause) {
    WriteFile(Out("text.so"), "no library");
    const struct {
        std::string library, cause;
    } rows[] = {
        {Out("none.so"), "cannot open shared object file: No such file or directory"},
        {Out("text.so"), "file too short"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Expected(1,
                           "vezuved: the device emulator librapi-emu.so cannot be loaded (named by "
                           "VEZUVED_RAPI_LIBRARY); tried:\n  " +
                               row.library + ": " + row.cause + "\n",
                           {"device", "push", "--device", folder_, Out("text.so")},
                           "VEZUVED_RAPI_LIBRARY='" + row.library + "' "),
                  "");
    }
}

// `device list`'s report is its document, pieced together by the library;
// every other line it prints is a diagnostic for standard error, whole.
TEST(LibraryLines, ReportPiecesStayTogetherAndDiagnosticsEndTheirLines) {
    struct Row {
        bool listing;
        std::vector<std::string> messages;
        std::string out, err;
    } const rows[] = {
        {false,
         {"Err: 0x40b", "No Cal File\n", "\n", "Copying to Device: a\n"},
         "",
         "Err: 0x40b\nNo Cal File\nCopying to Device: a\n"},
        {true,
         {"Name    Records\n", "hike  ", "   8", " Only on Device", "\n", "Err: 0x408", "none\n"},
         "Name    Records\nhike     8 Only on Device\nnone\n",
         "Err: 0x408\n"},
        {true,
         {"Can't mount Database Volume: \\x",
          "\nFiles Only on PC\n",
          "Error !!! Writing sync file\n",
          "left"},
         "\nFiles Only on PC\nleft\n",
         "Can't mount Database Volume: \\x\nError !!! Writing sync file\n"},
        {true, {"Error getting  ", "   3\n"}, "Error getting     3\n", ""},  // a database named so
    };
    for (const Row& row : rows) {
        vezuved_cli::LibraryLines lines(row.listing);
        std::string out, err;
        for (const std::string& message : row.messages)
            lines.Take(false, message.data(), message.size(), out, err);
        lines.Finish(out);
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(err, row.err);
    }
}

#if !defined(_WIN32)

// Ctrl-C or SIGTERM while the tool writes a large output: the signal ends
// the tool as it would have, and the temporary file it was writing beside
// the output is gone with it; a previous output stays as it was.

// Ends the tool if the test stops early, so no conversion outlives it.
struct EndedWithTheTest {
    pid_t child;
    ~EndedWithTheTest() {
        if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
};

class ToolInterrupt : public ToolTest, public ::testing::WithParamInterface<int> {};

TEST_P(ToolInterrupt, TheSignalRemovesTheTemporaryBeingWritten) {
    const int signal = GetParam();
    // About 50 MB of points, one a line; the definition beside them, found by its name.
    const std::string input = Out("big.csv"), outputs = FreshFolder("interrupt-out");
    ASSERT_EQ(RunShell("yes 45.1234567,-122.1234567,1000,,Point,Flag,a note | head -n " +
                       std::string(kSanitizedBuild ? "200000 > " : "1100000 > ") + Quoted(input)),
              0);
    WriteFile(Out("big.cal"),
              "FormatTitle = Points\nDelimited = ,\nFieldCount = 7\n"
              "latitude = 0\nlongitude = 1\nelevation = 2\ntime = 3\nname = 4\nicon = 5\ndesc = 6\n");
    const std::string output = outputs + "/big.gpx";
    WriteFile(output, "previous");
    const pid_t child = StartTool({"convert", input, output});
    ASSERT_GE(child, 0);
    const EndedWithTheTest guard{child};
    // The signal comes once the temporary file is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    bool seen = false;
    while (!seen && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : FolderNames(outputs)) seen = seen || name.rfind(".vezuved-", 0) == 0;
        ASSERT_TRUE(seen || waitpid(child, &status, WNOHANG) != child)
            << "the conversion ended before its temporary file was seen";
        if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(seen);
    kill(child, signal);
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
    EXPECT_EQ(FolderNames(outputs), std::vector<std::string>{"big.gpx"});
    EXPECT_EQ(ReadFile(output), "previous");
}

INSTANTIATE_TEST_SUITE_P(Signals,
                         ToolInterrupt,
                         ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGTERM ? std::string("SIGTERM") : std::string("SIGINT");
                         });

#endif

}  // namespace
}  // namespace cli_test
