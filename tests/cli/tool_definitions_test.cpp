// Format definitions for people: `formats explain` on the shipped and on
// broken definitions, `formats make` and `--auto` on header-row files of
// many shapes.
#include <filesystem>

#include "input/xml_stream.h"
#include "map_reading.h"
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolDefinitions = ToolTest;

struct AutoCase {
    const char* file;     // in tests/cli/data/auto
    std::string points;   // the GPX written, as a one-line summary
    std::string warning;  // what standard error holds, "{data}" standing for the file's path; empty: nothing
};

const AutoCase kAutoCases[] = {
    // lower-case names, metres by suffix
    {"lower.csv", "W: -122.25,45.5^100 'Alpha' 7.5,46.25^2000.5 'Beta'", ""},
    // names in capitals, feet in brackets
    {"upper.csv", "W: -122.25,45.5^100 'Alpha'", ""},
    // ISO 8601 times with zones, a log without names
    {"log.csv", "T 'log': -122.25,45.5@1628928900000 -122.3,45.6@1628922600000", ""},
    {"semicolons.csv", "W: -122.25,45.5^1500 'Alpha' \"Gate, north side\"", ""},
    // tabs, x and y, an elevation without unit
    {"tabs.tsv",
     "W: 7.5,46.25^2000 'Alpha'",
     "vezuved: warning: the elevation column 'elevation' names no unit; it is read as metres\n"},
    // a quoted header
    {"quoted.csv", "W: -122.25,45.5^100 'Alpha' \"a, b\"", ""},
    // unknown columns left out
    {"extra.csv",
     "W: -122.25,45.5 'Alpha'#Flag",
     "vezuved: warning: left out column(s) that name no field a definition holds: 'speed' (column 3), "
     "'hr' (column 5)\n"},
    // a date column and a time column with a zone
    {"split.csv", "W: -122.25,45.5@1628991000000 'Alpha'", ""},
    // date and time in one column (its name hyphenated), a fraction, feet
    {"fraction.csv", "T 'fraction': -122.25,45.5^304.8@1628936100500", ""},
    // a byte order mark and CR LF line ends
    {"windows.csv", "W: -122.25,45.5@1640998799000 'Alpha'", ""},
    {"dates.csv", "W: 7.5,45.5@1628899200000 'Alpha'", ""},  // a date column alone
    // a value that is no time is reported once, by the user's file and line, and skipped
    {"invalid.csv",
     "W: 7.5,45.5@1628935200000 'Alpha'",
     "{data}:3: column 3: '2021-02-30T10:00:00Z' is not a time\n"},
};

TEST_F(ToolDefinitions, AutoReadsHeaderRowsOfManyShapes) {
    if (!vezuved_cli::XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    for (const AutoCase& c : kAutoCases) {
        SCOPED_TRACE(c.file);
        const std::string data = Out(c.file);
        WriteFile(data, TestData(std::string("cli/data/auto/") + c.file));
        const std::string gpx = Out(std::string(c.file) + ".gpx");
        std::string warning = c.warning;
        if (const size_t at = warning.find("{data}"); at != std::string::npos) warning.replace(at, 6, data);
        Expected(0, warning, {"convert", data, gpx, "--auto"});
        const vezuved_cli::Reading read = vezuved_cli::ReadMap(gpx, "x", false);
        ASSERT_TRUE(read.read) << read.failure;
        EXPECT_EQ(vezuved_cli::Summary(read.sets), c.points);
    }
}

TEST_F(ToolDefinitions, AutoRefusesAHeaderWithoutPosition) {
    const std::string data = Out("nolat.csv"),
                      cannot = "vezuved: cannot make a format definition for '" + data;
    WriteFile(data, "name,lon,ele\nAlpha,3,4\n");
    const std::string latitude = "no column for latitude (lat, latitude or y)";
    EXPECT_EQ(Expected(1,
                       cannot + "': its header row ('name', 'lon', 'ele') has " + latitude + "\n",
                       {"show", data, "--auto"}),
              "");
    WriteFile(data, "name,ele\nAlpha,4\n");
    Fails(1, {"formats", "make", data}, latitude + " and longitude (lon, lng, long, longitude or x)");
    WriteFile(data, "\n45,7\n");
    Expected(1, cannot + "': its first line, the header row, is empty\n", {"show", data, "--auto"});
}

TEST_F(ToolDefinitions, AutoOnShowAndImportLeavesNoTemporaryFiles) {
    const std::string temporary = Out("tmp"), data = Out("walk.csv"), shell = "TMPDIR='" + Out("tmp") + "' ";
    std::filesystem::create_directories(temporary);
    WriteFile(data, "lat,lon,ele_m,time,name\n45.5,-122.25,100,2021-08-14T10:15:00+02:00,Alpha\n");
    const std::string shown = Expected(0, "", {"show", data, "--auto"}, shell);
    EXPECT_NE(shown.find("2021-08-14T08:15:00Z"), std::string::npos) << shown;
    EXPECT_NE(shown.find("1 point(s), points"), std::string::npos) << shown;
    // The database goes beside the file read, not beside its rewritten copy.
    EXPECT_EQ(Expected(0, "", {"import", data, "--auto"}, shell),
              "Wrote " + Out("walk.pdb") + " (points, 1 record(s))\n");
    EXPECT_TRUE(std::filesystem::is_empty(temporary));
    EXPECT_NE(RunTool({"show", Out("walk.pdb")}).out.find("2021-08-14T08:15:00Z"), std::string::npos);
    // Not for a database, and not with a definition of its own.
    EXPECT_EQ(RunTool({"show", Out("walk.pdb"), "--auto"}).status, 2);
    EXPECT_EQ(RunTool({"show", data, "--auto", "-d", FormatFile("comma.cal")}).status, 2);
}

// A value --auto's rewritten copy still holds as written is reported with
// the user's file and line, not the copy's; --strict makes it the failure.
TEST_F(ToolDefinitions, AutoNamesTheUsersFileForValuesItCannotRead) {
    const std::string data = Out("walk.csv");
    WriteFile(data,
              "lat,lon,ele_m,time,name\n45.5,-122.25,100,2021-08-14T10:15:00Z,Alpha\n"
              "north,-122.25,200,2021-08-14T10:20:00Z,Beta\n45.6,-122.3,3OO,2021-08-14T10:25:00Z,Gamma\n");
    const std::string north = data + ":3: column 1: 'north' is not a latitude\n";
    const std::string shown =
        Expected(0, north + data + ":4: column 3: '3OO' is not an elevation\n", {"show", data, "--auto"});
    EXPECT_NE(shown.find("1 point(s)"), std::string::npos) << shown;
    Expected(1, "vezuved: " + north, {"convert", data, Out("walk.gpx"), "--auto", "--strict"});
    EXPECT_FALSE(FileExists(Out("walk.gpx")));
}

// A field named twice keeps its first column, the first of the row included.
TEST_F(ToolDefinitions, MakeKeepsTheFirstColumnOfAFieldNamedTwice) {
    for (const auto& [header, line] : {std::pair("Name,Lat,Lon,Name\n", "name = 0\n"),
                                       std::pair("Lat,Lon,Latitude\n", "latitude = 0\n")}) {
        WriteFile(Out("twice.csv"), header);
        EXPECT_NE(RunTool({"formats", "make", Out("twice.csv")}).out.find(line), std::string::npos) << header;
    }
}

TEST_F(ToolDefinitions, MakeWritesADefinitionThatReadsAndWritesTheFile) {
    const std::string data = Out("summits.csv"), definition = Out("made.cal"), database = Out("summits.pdb");
    WriteFile(data, "Name;Lat;Lon;Ele (ft);Comment;Speed\nHood;45.3735;-121.6959;11249;Oregon;0\n");
    const std::string warning =
        "vezuved: warning: left out column(s) that name no field a definition holds: 'Speed' (column 6)\n";
    EXPECT_EQ(Expected(0, warning, {"formats", "make", data}), TestData("cli/data/made-summits.cal"));
    Expected(0, warning, {"formats", "make", data, "-o", definition});
    EXPECT_EQ(ReadFile(definition), TestData("cli/data/made-summits.cal"));
    // Read with it, and write back: the header comes back first.
    const std::string shown = Expected(0, "", {"show", data, "-d", definition, "--output", "csv"});
    EXPECT_NE(shown.find("Hood,45.3735000,-121.6959000,11249"), std::string::npos) << shown;
    ASSERT_EQ(RunTool({"convert", data, database, "-d", definition}).status, 0);
    ASSERT_EQ(RunTool({"convert", database, Out("back.csv"), "--output-definition", definition}).status, 0);
    EXPECT_EQ(ReadFile(Out("back.csv")),
              "Name;Lat;Lon;Ele (ft);Comment;Speed\r\nHood;45.3735000;-121.6959000;11249;Oregon;\r\n");
    EXPECT_EQ(RunTool({"formats", "make", data, "-o", data}).status, 1);
}

// A made definition reads its own file: time and date columns of ISO 8601
// values, which its time column cannot read, are left out, pointing to
// --auto, and so is any other column it would refuse on every line.
TEST_F(ToolDefinitions, MakeLeavesOutIsoTimeColumns) {
    const std::pair<const char*, const char*> cases[] = {
        {"date,time,lat,lon\n2021-08-14,10:15:00Z,45.5,7.5\n",
         "the time column 'time' (column 2) and the date column 'date' (column 1): their values are ISO "
         "8601 (line 2: '10:15:00Z'), which a definition's time column cannot read; --auto reads the file "
         "with its times"},
        {"lat,lon,ele_m\n45.5,7.5,high\n45.5,7.5,n/a\n",
         "the elevation column 'ele_m' (column 3): the definition reads it on no line (line 2: 'high' is "
         "not an elevation)"},
        {"lat,lon,time\n45.5,7.5,2021/08/14 10:15\n45.5,7.5,2021/08/14 10:20\n",
         "the time column 'time' (column 3): the definition reads it on no line (line 2: '2021/08/14 "
         "10:15' is not a time)"},
    };
    const std::string data = Out("log.csv"), definition = Out("log.cal"), gpx = Out("log.gpx");
    for (const auto& [text, warning] : cases) {
        SCOPED_TRACE(text);
        WriteFile(data, text);
        Expected(0,
                 "vezuved: warning: left out " + std::string(warning) + "\n",
                 {"formats", "make", data, "-o", definition});
        EXPECT_NE(ReadFile(definition).find("time = -1\ndate = -1\n"), std::string::npos);
        Expected(0, "", {"convert", data, gpx, "-d", definition});
        EXPECT_NE(ReadFile(gpx).find("<wpt lat=\"45.5000000\" lon=\"7.5000000\">\n  </wpt>"),
                  std::string::npos)
            << ReadFile(gpx);
    }
}

// The shipped definitions and broken ones (tests/cli/data/broken), each
// explained as tests/cli/explained/NAME.txt or broken-NAME.txt holds.
TEST_F(ToolDefinitions, ExplainsShippedAndBrokenDefinitions) {
    std::vector<std::pair<std::string, std::string>> cases;  // definition, explanation
    for (const auto& entry : std::filesystem::directory_iterator(SourceFile("examples/formats")))
        cases.emplace_back(entry.path().string(), entry.path().stem().string() + ".txt");
    EXPECT_EQ(cases.size(), 11u);
    for (const std::string name : {
             "unknown-values",   // values the library does not know or reads otherwise
             "fixed-widths-cr",  // fixed widths that do not reach, a quoted value over two lines, CR ends
             "garmin-keywords",  // keywords the layout has no use for (EleFormat still applies)
             "tab-delimiter",    // a tab layout with another delimiter
         }) {
        WriteFile(Out(name + ".cal"), TestData("cli/data/broken/" + name + ".cal"));
        cases.emplace_back(Out(name + ".cal"), "broken-" + name + ".txt");
    }
    for (const auto& [definition, explained] : cases) {
        SCOPED_TRACE(explained);
        const ToolResult result = RunTool({"formats", "explain", definition});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, ReadFile(SourceFile("tests/cli/explained/" + explained)));
    }
}

TEST_F(ToolDefinitions, ExplainFailsOnlyWhenTheFileCannotBeRead) {
    const std::string cannot = "vezuved: cannot read the format definition '";
    Expected(1, cannot + Out("none.cal") + "': no such file\n", {"formats", "explain", Out("none.cal")});
    Expected(1, cannot + folder_ + "': it is a folder, not a file\n", {"formats", "explain", folder_});
    // Hostile bytes are explained, not crashed on.
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 256);
    WriteFile(Out("noise.cal"), noise + std::string(2000, 'x') + "=\n" + std::string(600, '"'));
    EXPECT_EQ(RunTool({"formats", "explain", Out("noise.cal")}).status, 0);
}

}  // namespace
}  // namespace cli_test
