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

// A text file, the command run on it and what it must give.
struct EncodingCase {
    std::string bytes;
    std::vector<std::string> extra;  // options after "show FILE -d comma.cal --output json"
    int status;
    std::string out;  // expected in standard output
    std::string err;  // standard error, exactly
};

TEST_F(ToolTextInput, EncodingsAndByteOrderMark) {
    const std::string file = Out("cafe.csv");
    const std::vector<EncodingCase> cases = {
        // UTF-8 with a byte order mark: the mark is no part of the latitude.
        {"\xEF\xBB\xBF"
         "45.5,-122.25,100,,Caf\xC3\xA9 \xE2\x82\xAC,,\n",
         {},
         0,
         "\"name\": \"Caf\xC3\xA9 \xE2\x82\xAC\"",
         ""},
        // Not UTF-8: read as Windows-1252.
        {"45.5,-122.25,100,,Caf\xE9 \x80,,\n", {}, 0, "\"name\": \"Caf\xC3\xA9 \xE2\x82\xAC\"", ""},
        {"45.5,-122.25,100,,Caf\xC3\xA9,,\n",
         {"--encoding", "cp1252"},
         0,
         "\"name\": \"Caf\xC3\x83\xC2\xA9\"",
         ""},
        {"45.5,-122.25,100,,Caf\xC3\xA9,,\n", {"--encoding", "utf-8"}, 0, "\"name\": \"Caf\xC3\xA9\"", ""},
        {"45.5,-122.25,100,,Ok,,\r\n45.5,-122.25,100,,Caf\xE9,,\n",
         {"--encoding", "utf-8"},
         1,
         "",
         "vezuved: cannot read '" + file +
             "' as UTF-8: line 2, byte 22 (0xE9) is no UTF-8; --encoding cp1252 "
             "reads it as Windows-1252\n"},
        // Characters Windows-1252 has no byte for.
        {"45.5,-122.25,100,,\xCE\xA9mega \xE2\x86\x92 1,,\n",
         {},
         0,
         "\"name\": \"?mega ? 1\"",
         "vezuved: warning: '" + file +
             "' holds characters Windows-1252 cannot hold; they are read as '?'\n"},
    };
    for (const EncodingCase& c : cases) {
        WriteFile(file, c.bytes);
        std::vector<std::string> arguments = {
            "show", file, "-d", FormatFile("comma.cal"), "--output", "json"};
        arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
        const ToolResult result = RunTool(arguments);
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(result.err, c.err);
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        if (c.status == 0) {
            EXPECT_NE(result.out.find("\"latitude\": 45.5"), std::string::npos) << result.out;
        }
    }
}

TEST_F(ToolTextInput, TextWithoutDefinitionIsRefused) {
    WriteFile(Out("peaks.csv"), "46.5776,8.0053,1000,,Eiger,,\n");
    for (const std::string command : {"show", "import"}) {
        const ToolResult result = RunTool({command, Out("peaks.csv")});
        EXPECT_EQ(result.status, 2) << command;
        EXPECT_EQ(result.err,
                  "vezuved: cannot read '" + Out("peaks.csv") +
                      "': nothing says what its columns hold "
                      "(no -d, no '" +
                      Out("peaks.cal") +
                      "', no known extension); give a format "
                      "definition with -d FILE.cal, or --auto when its first line names the columns\n")
            << command;
        EXPECT_EQ(result.out, "") << command;
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
    ToolResult result = RunTool({"show", file, "-d", definition});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, bad);
    EXPECT_NE(result.out.find("2 point(s)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Mount Jefferson"), std::string::npos) << result.out;

    result = RunTool({"import", file, "-d", definition, "-o", Out("s.pdb")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, bad);
    EXPECT_NE(result.out.find("(points, 2 record(s))"), std::string::npos) << result.out;

    for (const std::string command : {"show", "import", "convert"}) {
        std::vector<std::string> arguments = {command, file, "-d", definition, "--strict"};
        if (command == "convert") arguments.insert(arguments.begin() + 2, Out("strict.gpx"));
        result = RunTool(arguments);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.err, "vezuved: " + file + ":3: column 2: 'north' is not a latitude\n") << command;
        EXPECT_EQ(result.out, "") << command;
    }
    EXPECT_FALSE(FileExists(Out("strict.gpx")));

    // Times: a time and a date column; a record line; a fixed-width column.
    WriteFile(Out("track.csv"), TestData("cli/data/text-input/track-bad-times.csv"));
    result = RunTool({"show", Out("track.csv"), "-d", FormatFile("track.cal")});
    EXPECT_EQ(result.err,
              Out("track.csv") + ":3: column 4: '25:00' is not a time\n" + Out("track.csv") +
                  ":4: column 4: '081500' is not a time\n" + Out("track.csv") +
                  ":5: column 3: 'high' is not an elevation\n");
    EXPECT_NE(result.out.find("1 point(s), track"), std::string::npos) << result.out;
    WriteFile(Out("lines.rlp"), "45.5,-122.25,100,143005 24122004,Home,House,\n45.5*x*100**Bad*House*\n");
    result = RunTool({"show", Out("lines.rlp")});
    EXPECT_EQ(result.err, Out("lines.rlp") + ":2: column 2: 'x' is not a longitude\n");
    WriteFile(Out("w.txt"), TestData("cli/data/text-input/garmin-bad-values.txt"));
    result = RunTool({"show", Out("w.txt"), "-d", FormatFile("garmin.cal")});
    EXPECT_EQ(result.err,
              Out("w.txt") + ":2: column 6: 'high' is not an elevation\n" + Out("w.txt") +
                  ":3: column 5: 'N45 24.158 Wxyz' is not a position\n");
    EXPECT_NE(result.out.find("1 point(s)"), std::string::npos) << result.out;
    // Columns far wider than the line read to its end, leaving no room
    // for the longitude; a file whose every line is refused says so.
    WriteFile(Out("wide.cal"), TestData("cli/data/text-input/wide-columns.cal"));
    WriteFile(Out("wide.dat"), "Camp 45.5\n");
    result = RunTool({"show", Out("wide.dat"), "-d", Out("wide.cal")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              Out("wide.dat") +
                  ":1: column 3: no longitude: the line has fewer columns\nvezuved: cannot "
                  "read '" +
                  Out("wide.dat") +
                  "': all 1 line(s) that hold a point were refused (above); "
                  "nothing is written\n");
    WriteFile(Out("camps.dat"), TestData("cli/data/text-input/camps-bad-latitude.dat"));
    result = RunTool({"show", Out("camps.dat"), "-d", FormatFile("fixed.cal")});
    EXPECT_EQ(result.err, Out("camps.dat") + ":2: column 2: '45.36x1' is not a latitude\n");
}

TEST_F(ToolTextInput, RecordLineFilesAreReadByTheirKind) {
    const std::string lines =
        "45.3311000,-121.7113000,6000.5832000,081500 14082021,TP001,,\n"
        "45.3352000,-121.7086000,6240.0816000,083000 14082021,TP002,,note\n";
    const std::vector<std::pair<std::string, std::string>> kinds = {
        {"rlp", "points"}, {"rlt", "track"}, {"rlr", "route"}};
    for (const auto& [extension, kind] : kinds) {
        const std::string file = Out("hike." + extension);
        WriteFile(file, lines);
        ToolResult result = RunTool({"show", file});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find("2 point(s), " + kind), std::string::npos) << result.out;
        result = RunTool({"import", file, "-o", Out(extension + ".pdb")});
        EXPECT_NE(result.out.find("(" + kind + ", 2 record(s))"), std::string::npos)
            << result.out << result.err;
    }
    const ToolResult gpx = RunTool({"show", Out("hike.rlr"), "--output", "gpx"});
    EXPECT_NE(gpx.out.find("<rtept lat=\"45.3352000\" lon=\"-121.7086000\">"), std::string::npos) << gpx.out;
    EXPECT_NE(gpx.out.find("<time>2021-08-14T08:30:00Z</time>"), std::string::npos) << gpx.out;
}

// The GPX of a text read through its definition: names, positions,
// elevations in metres to the centimetre, times. A database keeps no
// commas in its texts, so descriptions are left out when one was between.
std::string Listing(const std::string& file, const std::string& definition, bool withDescriptions) {
    const ToolResult result = RunTool({"show", file, "-d", definition, "--output", "gpx"});
    EXPECT_EQ(result.status, 0) << file << result.err;
    EXPECT_EQ(result.err, "") << file;
    std::istringstream in(result.out);
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        if (!withDescriptions && line.find("<desc>") != std::string::npos) continue;
        kept += line + "\n";
    }
    return kept;
}

TEST_F(ToolTextInput, ShippedDefinitionsReadBackWhatTheyWrite) {
    std::vector<std::string> shipped;
    for (const auto& entry : std::filesystem::directory_iterator(SourceFile("examples/formats"))) {
        shipped.push_back(entry.path().filename().string());
    }
    std::sort(shipped.begin(), shipped.end());
    std::vector<std::string> covered;
    for (const ShippedExample& r : ShippedExamples()) covered.push_back(r.definition);
    EXPECT_EQ(shipped, covered) << "every shipped definition needs a round trip";

    for (const ShippedExample& r : ShippedExamples()) {
        SCOPED_TRACE(r.definition);
        const std::string definition = FormatFile(r.definition), data = DataFile(r.data);
        const std::string database = Out(r.definition + ".pdb");
        std::filesystem::create_directories(Out("export"));
        std::filesystem::create_directories(Out("convert"));
        const std::string exported = Out("export/" + r.data), converted = Out("convert/" + r.data);
        ASSERT_EQ(RunTool({"import", data, "-d", definition, "-o", database}).status, 0);
        const ToolResult exportResult = RunTool({"export", database, "-d", definition, "-o", exported});
        const ToolResult convertResult =
            RunTool({"convert", data, converted, "-d", definition, "--output-definition", definition});
        const std::string original = Listing(data, definition, true);
        EXPECT_NE(original.find("<name>"), std::string::npos);
        if (r.importOnly) {
            EXPECT_EQ(exportResult.status, 2);
            EXPECT_NE(exportResult.err.find("vezuved: cannot write '" + exported + "' through '" +
                                            definition + "': the format '"),
                      std::string::npos)
                << exportResult.err;
            EXPECT_NE(exportResult.err.find("(import only)' can be read but not written back the same way\n"),
                      std::string::npos)
                << exportResult.err;
            EXPECT_EQ(convertResult.status, 2);
            EXPECT_FALSE(FileExists(exported));
            EXPECT_FALSE(FileExists(converted));
            continue;
        }
        ASSERT_EQ(exportResult.status, 0) << exportResult.err;
        ASSERT_EQ(convertResult.status, 0) << convertResult.err;
        EXPECT_EQ(Listing(exported, definition, false), Listing(data, definition, false));
        EXPECT_EQ(Listing(converted, definition, true), original);
    }
}

}  // namespace
}  // namespace cli_test
