// Exit statuses (2 for usage, 1 for files) and messages; signals.
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

// The command lines of tests/cli/data/refusals.tsv; standard input is empty.
TEST_F(ToolErrors, RefusalsExitWithTwoForUsageAndOneForFiles) {
    std::filesystem::copy_file(DataFile("summits.csv"), Out("summits.csv"));
    std::filesystem::copy_file(FormatFile("name-first.cal"), Out("name-first.cal"));
    WriteFile(Out("empty.csv"), "");
    WriteFile(Out("trip.gpx"), TestData("cli/data/trip.gpx"));
    const auto rows = Rows(TestData("cli/data/refusals.tsv"));
    EXPECT_EQ(rows.size(), 40u);
    const auto here = [&](const std::string& text) {  // "{}" as the folder
        const std::string said = Said({"", "", text}, folder_);
        return said.substr(0, said.size() - 1);
    };
    for (const auto& row : rows)
        Fails(std::stoi(row[0]), CommandWords(here(row.at(1))), here(row.at(2)), "true | ");
#if defined(VEZUVED_HAVE_GEOGRAPHICLIB)
    // The bounds themselves are taken.
    Ok({"stats", Out("trip.gpx"), "--climb-threshold", "0", "--moving-speed", "0"});
#endif
}

// An output that is the input, by its name or through a link to it: exit
// 1 with the file named, the database kept byte for byte (a full disk is
// the fault loop's).
TEST_F(ToolErrors, AnOutputThatIsTheInputLeavesIt) {
    const std::string database = Out("s.pdb");
    Ok({"import", DataFile("summits.csv"), "-d", FormatFile("name-first.cal"), "-o", database});
    const std::string before = ReadFile(database);
    // Links where the system makes them (Windows may refuse a symbolic one).
    std::vector<std::string> outputs = {database}, names = {"s.pdb"};
    std::error_code error;
    std::filesystem::create_hard_link(database, Out("hard.pdb"), error);
    if (!error) outputs.push_back(Out("hard.pdb")), names.insert(names.begin(), "hard.pdb");
    std::filesystem::create_symlink(database, Out("link.pdb"), error);
    if (!error) outputs.push_back(Out("link.pdb")), names.insert(names.end() - 1, "link.pdb");
    for (const std::string command : {"export", "convert"}) {
        for (const std::string& output : outputs) {
            std::vector<std::string> arguments = {command, database, "-o", output};
            if (command == "convert") arguments.erase(arguments.begin() + 2);
            const std::string said = "vezuved: cannot write '" + output + "': it is the input '" + database;
            Fails(1, arguments, said + "' itself; nothing was written\n");
            EXPECT_EQ(ReadFile(database), before);
        }
    }
    EXPECT_EQ(FolderNames(folder_), names);
    // The definitions read are inputs too.
    const std::string named = FormatFile("name-first.cal"), definition = Out("mine.cal"),
                      kept = ReadFile(named);
    WriteFile(definition, kept);
    for (const std::vector<std::string>& definitions :
         {std::vector<std::string>{"--output-definition", definition},
          std::vector<std::string>{"--output-definition", named, "-d", definition}}) {
        std::vector<std::string> arguments = {"convert", database, definition, "--to", "text"};
        arguments.insert(arguments.end(), definitions.begin(), definitions.end());
        Fails(1,
              arguments,
              "vezuved: cannot write '" + definition + "': it is the input '" + definition +
                  "' itself; nothing was written\n");
        EXPECT_EQ(ReadFile(definition), kept) << (definitions.size() == 2 ? "written by it" : "read by -d");
    }
}

// What the library says goes to standard error, never into the document.
TEST_F(ToolErrors, LibraryMessagesGoToStandardError) {
    const std::string db = Out("hike.pdb"), cut = Out("cut.pdb"), text = Out("peaks.csv");
    Ok({"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", db});
    WriteFile(cut, ReadFile(db).substr(0, 200));
    WriteFile(text, "46.5776,8.0053,1000,,Eiger,,\n");
    const std::string damaged =
        "vezuved: cannot read '" + cut + "': it is no valid Palm database (error 1032)\n";
    // A definition that is not there, given for a database: the document is made, whole.
    EXPECT_EQ(Expected(0, "", {"show", db, "--output", "gpx", "-d", Out("nothing.cal")}),
              Ok({"show", db, "--output", "gpx"}));
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
        // Text with nothing to say its columns is refused, never written by defaults.
        {{"export", db, "-o", Out("hike.txt")},
         2,
         "vezuved: cannot write '" + Out("hike.txt") + "': nothing says what its columns are to hold (no " +
             "definition, no '" + Out("hike.cal") +
             "', no record-line extension); give a format definition (.cal)\n",
         ""},
        {{"info", cut}, 1, damaged, ""},
        {{"convert", cut, Out("cut.gpx")}, 1, damaged, ""},
        {{"export", cut}, 1, damaged, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(Expected(row.status, row.err, row.arguments), row.out);
    EXPECT_FALSE(FileExists(Out("cut.gpx")));
}

// A definition the library cannot load is an error naming it and why, never its defaults.
TEST_F(ToolErrors, ADefinitionThatCannotBeReadIsAnErrorWithItsCause) {
    std::string folder = folder_;
    while (folder.size() < 1024) folder += "/" + std::string(200, 'd');
    std::filesystem::create_directories(folder);
    const std::string definition = folder + "/track.cal";
    std::filesystem::copy_file(FormatFile("track.cal"), definition);
    const std::string said = "vezuved: cannot read the format definition '" + definition +
                             "': its path is longer than 1023 characters\n";
    EXPECT_EQ(Expected(1, said, {"convert", DataFile("hike-track.csv"), Out("out.gpx"), "-d", definition}),
              "");
    Ok({"convert", DataFile("hike-track.csv"), Out("hike.pdb"), "-d", FormatFile("track.cal")});
    EXPECT_EQ(Expected(1, said, {"export", Out("hike.pdb"), "-d", definition, "-o", Out("out.txt")}), "");
    EXPECT_EQ(FolderNames(folder_), (std::vector<std::string>{std::string(200, 'd'), "hike.pdb"}));
}

// A run of several outputs failing part way names what was and was not written, each file of an
// output that has two (a GeoJSON and its points file) among them.
TEST_F(ToolErrors, ARunThatFailsPartWaySaysWhatWasWrittenAndWhatNot) {
    const std::string trip = TestData("cli/data/trip.gpx");
    WriteFile(Out("a.gpx"), trip);
    WriteFile(Out("b.gpx"), "<gpx");
    WriteFile(Out("c.gpx"), trip);
    const std::string maps = Out("maps");
    EXPECT_EQ(Expected(1,
                       "vezuved: cannot read '" + Out("b.gpx") + "': line 1: unclosed token\n" +
                           "vezuved: 2 of 6 outputs were written (" + maps + "/a.geojson, " + maps +
                           "/a-points.geojson); not written: " + maps + "/b.geojson, " + maps +
                           "/b-points.geojson, " + maps + "/c.geojson, " + maps + "/c-points.geojson\n",
                       {"convert",
                        Out("a.gpx"),
                        Out("b.gpx"),
                        Out("c.gpx"),
                        "--to",
                        "geojson",
                        "--points",
                        "--out-dir",
                        maps}),
              "Wrote " + maps +
                  "/a.geojson (points 'waypoints', 2 point(s); route 'Loop', 2 point(s); track 'Morning', 3 "
                  "point(s); track 'Evening ride', 2 point(s))\n");
    EXPECT_EQ(FolderNames(maps), (std::vector<std::string>{"a-points.geojson", "a.geojson"}));
    // A folder that cannot be made under a file: nothing is written.
    EXPECT_EQ(
        Expected(1,
                 "vezuved: cannot write into the folder '" + Out("a.gpx") + "/sub': it cannot be created\n",
                 {"convert", Out("c.gpx"), "--to", "gpx", "--out-dir", Out("a.gpx") + "/sub"}),
        "");
}

// The device commands name the emulator they tried and why it did not load.
TEST_F(ToolErrors, AnEmulatorThatDoesNotLoadIsNamedWithItsCause) {
    WriteFile(Out("text.so"), "no library");
    EXPECT_EQ(Expected(1,
                       "vezuved: the device emulator librapi-emu.so cannot be loaded (named by "
                       "VEZUVED_RAPI_LIBRARY); tried:\n  " +
                           Out("text.so") + ": file too short\n",
                       {"device", "push", "--device", folder_, Out("text.so")},
                       "VEZUVED_RAPI_LIBRARY='" + Out("text.so") + "' "),
              "");
    // A name of one character is a name too.
    Fails(1,
          {"device", "push", "--device", folder_, Out("text.so")},
          "cannot be loaded (named by VEZUVED_RAPI_LIBRARY); tried:\n  x: ",
          "VEZUVED_RAPI_LIBRARY=x ");
}

#if defined(__linux__)
// On a terminal an item's progress is a bar drawn in place, ended by its outcome.
TEST_F(ToolErrors, ProgressOnATerminalIsABarEndedByItsOutcome) {
    if (!HasProgram("script") || RunShell("script -qec true /dev/null > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no script(1) here, or no terminal it can open, to give the tool one";
    const std::string handheld = Out("handheld"), track = Out("hike.rlt");
    std::filesystem::create_directories(handheld);
    WriteFile(track, "45.5,-122.6,,,A,,\r\n");
    const std::string push =
        "'" + ToolPath() + "' device push --device '" + handheld + "' --create '" + track + "'";
    ASSERT_EQ(0, RunShell("script -qec \"" + push + "\" /dev/null > '" + Out("terminal") + "'"));
    const std::string shown = ReadFile(Out("terminal"));
    EXPECT_NE(shown.find("\rhike" + std::string(36, ' ') + " [" + std::string(30, '#') + "] done\r\n"),
              std::string::npos)
        << shown;
}
#endif

#if !defined(_WIN32)

// Ctrl-C, SIGTERM, SIGHUP or SIGQUIT while the tool writes a large output
// ends it as it would have, its temporary gone with it, a previous output
// left as it was. The guard ends the tool if the test stops early.
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
    // About 50 MB of points; the definition beside them, found by its name.
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

INSTANTIATE_TEST_SUITE_P(Signals, ToolInterrupt, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT));

#endif

}  // namespace
}  // namespace cli_test
