// How the tool reads text: never without a definition, in UTF-8 or
// Windows-1252, with lines whose values cannot be read reported and left
// out, record-line files by their kind, and every
// shipped definition reading back what it writes.
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolTextInput = ToolTest;

// A line read by comma.cal with --encoding (none: the tool's choice): the
// name show's JSON listing gives, or none when it fails; standard error.
TEST_F(ToolTextInput, EncodingsAndByteOrderMark) {
    const std::string file = Out("cafe.csv"), line = "45.5,-122.25,100,,";
    const struct {
        std::string bytes, encoding, name, err;
    } cases[] = {
        // UTF-8 with a byte order mark: the mark is no part of the latitude.
        {"\xEF\xBB\xBF" + line + "Caf\xC3\xA9 \xE2\x82\xAC,,\n", "", "Caf\xC3\xA9 \xE2\x82\xAC", ""},
        // Not UTF-8: read as Windows-1252.
        {line + "Caf\xE9 \x80,,\n", "", "Caf\xC3\xA9 \xE2\x82\xAC", ""},
        {line + "Caf\xC3\xA9,,\n", "cp1252", "Caf\xC3\x83\xC2\xA9", ""},
        {line + "Caf\xC3\xA9,,\n", "utf-8", "Caf\xC3\xA9", ""},
        {line + "Ok,,\r\n" + line + "Caf\xE9,,\n",
         "utf-8",
         "",
         "vezuved: cannot read '" + file +
             "' as UTF-8: line 2, byte 22 (0xE9) is no UTF-8; --encoding cp1252 reads it as Windows-1252\n"},
        // Characters Windows-1252 has no byte for.
        {line + "\xCE\xA9mega \xE2\x86\x92 1,,\n",
         "",
         "?mega ? 1",
         "vezuved: warning: '" + file +
             "' holds characters Windows-1252 cannot hold; they are read as '?'\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        WriteFile(file, c.bytes);
        std::vector<std::string> arguments = {
            "show", file, "-d", FormatFile("comma.cal"), "--output", "json"};
        if (!c.encoding.empty()) arguments.insert(arguments.end(), {"--encoding", c.encoding});
        const std::string out = Expected(c.name.empty() ? 1 : 0, c.err, arguments);
        EXPECT_TRUE(c.name.empty() || out.find("\"name\": \"" + c.name + "\"") != std::string::npos) << out;
    }
}

TEST_F(ToolTextInput, TextWithoutDefinitionIsRefused) {
    WriteFile(Out("peaks.csv"), "46.5776,8.0053,1000,,Eiger,,\n");
    for (const std::string command : {"show", "import"}) {
        EXPECT_EQ(Expected(2,
                           "vezuved: cannot read '" + Out("peaks.csv") +
                               "': nothing says what its columns hold (no -d, no '" + Out("peaks.cal") +
                               "', no known extension); give a format definition with -d FILE.cal, or --auto "
                               "when its first line names the columns\n",
                           {command, Out("peaks.csv")}),
                  "");
    }
    EXPECT_FALSE(FileExists(Out("peaks.pdb")));
    // The definition beside the file, or columns on the command line, say it.
    std::filesystem::copy_file(FormatFile("comma.cal"), Out("peaks.cal"));
    EXPECT_EQ(RunTool({"show", Out("peaks.csv")}).status, 0);
    EXPECT_EQ(RunTool({"show", Out("other.csv"), "--columns", "lat,lon,ele"}).status, 1);  // no such file
    WriteFile(Out("other.csv"), "46.5776,8.0053,1000\n");
    EXPECT_EQ(RunTool({"show", Out("other.csv"), "--columns", "lat,lon,ele"}).status, 0);
}

// Lines whose position, elevation or time cannot be read: reported with
// file, line and column, left out; --strict fails on the first.
TEST_F(ToolTextInput, BadValuesAreReportedAndSkipped) {
    const std::string file = Out("summits.csv");
    WriteFile(file, TestData("cli/data/text-input/summits-bad-values.csv"));
    const std::string bad = file + ":3: column 2: 'north' is not a latitude\n" + file +
                            ":4: column 3: '-221.5' is not a longitude\n" + file +
                            ":6: column 4: '8363 ft' is not an elevation\n";
    const std::string definition = FormatFile("name-first.cal");
    const std::string shown = Expected(0, bad, {"show", file, "-d", definition});
    EXPECT_NE(shown.find("2 point(s)"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Mount Jefferson"), std::string::npos) << shown;
    for (const std::string command : {"show", "import", "convert"}) {
        std::vector<std::string> arguments = {command, file, "-d", definition, "--strict"};
        if (command == "convert") arguments.insert(arguments.begin() + 2, Out("strict.gpx"));
        EXPECT_EQ(Expected(1, "vezuved: " + file + ":3: column 2: 'north' is not a latitude\n", arguments),
                  "");
    }
    EXPECT_FALSE(FileExists(Out("strict.gpx")));
    // Times: a time and a date column; a record line; Garmin's position
    // column; columns far wider than the line, read to its end, leaving no
    // room for the longitude (a file whose every line is refused says so);
    // a fixed-width column.
    WriteFile(Out("wide.cal"), TestData("cli/data/text-input/wide-columns.cal"));
    const struct {
        std::string name, bytes, definition, err;
    } cases[] = {
        {"track.csv",
         TestData("cli/data/text-input/track-bad-times.csv"),
         FormatFile("track.cal"),
         ":3: column 4: '25:00' is not a time\n{}:4: column 4: '081500' is not a time\n"
         "{}:5: column 3: 'high' is not an elevation\n"},
        {"lines.rlp",
         "45.5,-122.25,100,143005 24122004,Home,House,\n45.5*x*100**Bad*House*\n",
         "",
         ":2: column 2: 'x' is not a longitude\n"},
        {"w.txt",
         TestData("cli/data/text-input/garmin-bad-values.txt"),
         FormatFile("garmin.cal"),
         ":2: column 6: 'high' is not an elevation\n{}:3: column 5: 'N45 24.158 Wxyz' is not a position\n"},
        {"wide.dat",
         "Camp 45.5\n",
         Out("wide.cal"),
         ":1: column 3: no longitude: the line has fewer columns\n"
         "vezuved: cannot read '{}': all 1 line(s) that hold a point were refused (above); nothing is "
         "written\n"},
        {"camps.dat",
         TestData("cli/data/text-input/camps-bad-latitude.dat"),
         FormatFile("fixed.cal"),
         ":2: column 2: '45.36x1' is not a latitude\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(Out(c.name), c.bytes);
        std::vector<std::string> arguments = {"show", Out(c.name)};
        if (!c.definition.empty()) arguments.insert(arguments.end(), {"-d", c.definition});
        std::string err = Out(c.name) + c.err;
        for (size_t at = err.find("{}"); at != std::string::npos; at = err.find("{}"))
            err.replace(at, 2, Out(c.name));
        const bool refused = c.name == "wide.dat";
        const std::string out = Expected(refused ? 1 : 0, err, arguments);
        EXPECT_TRUE(refused || out.find("1 point(s)") != std::string::npos) << out;
    }
}

TEST_F(ToolTextInput, RecordLineFilesAreReadByTheirKind) {
    const std::string lines =
        "45.3311000,-121.7113000,6000.5832000,081500 14082021,TP001,,\n"
        "45.3352000,-121.7086000,6240.0816000,083000 14082021,TP002,,note\n";
    for (const auto& [extension, kind] :
         {std::pair("rlp", "points"), std::pair("rlt", "track"), std::pair("rlr", "route")}) {
        const std::string file = Out(std::string("hike.") + extension);
        WriteFile(file, lines);
        ToolResult result = RunTool({"show", file});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find(std::string("2 point(s), ") + kind), std::string::npos) << result.out;
        result = RunTool({"import", file, "-o", file + ".pdb"});
        EXPECT_NE(result.out.find(std::string("(") + kind + ", 2 record(s))"), std::string::npos)
            << result.out << result.err;
    }
    const ToolResult gpx = RunTool({"show", Out("hike.rlr"), "--output", "gpx"});
    EXPECT_NE(gpx.out.find("<rtept lat=\"45.3352000\" lon=\"-121.7086000\">"), std::string::npos) << gpx.out;
    EXPECT_NE(gpx.out.find("<time>2021-08-14T08:30:00Z</time>"), std::string::npos) << gpx.out;
}

// The GPX of a text read through its definition: names, positions,
// elevations in metres to the centimetre, times.
std::string Listing(const std::string& file, const std::string& definition) {
    const ToolResult result = RunTool({"show", file, "-d", definition, "--output", "gpx"});
    EXPECT_EQ(result.status, 0) << file << result.err;
    EXPECT_EQ(result.err, "") << file;
    return result.out;
}

// Text to text through one definition (the database's way back is the
// library's export); an import-only one refuses to write, by either command.
TEST_F(ToolTextInput, ShippedDefinitionsReadBackWhatTheyWrite) {
    std::vector<std::string> shipped, covered;
    for (const auto& entry : std::filesystem::directory_iterator(SourceFile("examples/formats")))
        shipped.push_back(entry.path().filename().string());
    std::sort(shipped.begin(), shipped.end());
    for (const ShippedExample& r : ShippedExamples()) covered.push_back(r.definition);
    EXPECT_EQ(shipped, covered) << "every shipped definition needs a round trip";
    std::filesystem::create_directories(Out("convert"));
    for (const ShippedExample& r : ShippedExamples()) {
        SCOPED_TRACE(r.definition);
        const std::string definition = FormatFile(r.definition), data = DataFile(r.data);
        const std::string converted = Out("convert/" + r.data), original = Listing(data, definition);
        const ToolResult convert =
            RunTool({"convert", data, converted, "-d", definition, "--output-definition", definition});
        EXPECT_NE(original.find("<name>"), std::string::npos);
        if (!r.importOnly) {
            ASSERT_EQ(convert.status, 0) << convert.err;
            EXPECT_EQ(Listing(converted, definition), original);
            continue;
        }
        const std::string database = Out(r.definition + ".pdb"), exported = Out(r.data);
        ASSERT_EQ(RunTool({"import", data, "-d", definition, "-o", database}).status, 0);
        const ToolResult exportResult = RunTool({"export", database, "-d", definition, "-o", exported});
        for (const auto& [result, output] :
             {std::pair(convert, converted), std::pair(exportResult, exported)}) {
            EXPECT_EQ(result.status, 2);
            EXPECT_NE(result.err.find("vezuved: cannot write '" + output + "' through '" + definition +
                                      "': the format '"),
                      std::string::npos)
                << result.err;
            EXPECT_NE(result.err.find("(import only)' can be read but not written back the same way\n"),
                      std::string::npos)
                << result.err;
            EXPECT_FALSE(FileExists(output));
        }
    }
}

}  // namespace
}  // namespace cli_test
