// `formats`, `formats explain`, `formats make` and `--auto`.
#include <filesystem>

#include "library_names.h"
#include "map_reading.h"
#include "maps/xml_stream.h"
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolDefinitions = ToolTest;

// Without a folder, formats lists the file formats with what each keeps, as --help does.
TEST_F(ToolDefinitions, FormatsListsEveryFileFormatWithWhatItKeeps) {
    const std::string listed = Expected(0, "", {"formats"});
    for (const char* row :
         {"format       r w  extensions      wpt  rte  trk  sets  seg  time  ele  name  desc  sym\n",
          "database     r w  .pdb            x    x    x    -     -    x     x    x     x     x\n",
          "FIT          r -  .fit            x    -    x    x     x    x     x    x     -     x\n",
          "  zip archive: the track files inside"}) {
        EXPECT_NE(listed.find(row), std::string::npos) << row << listed;
    }
    EXPECT_NE(RunTool({"--help"}).out.find(listed), std::string::npos);
}

// Each file of tests/cli/data/auto as tests/cli/data/auto-expected.txt says.
TEST_F(ToolDefinitions, AutoReadsHeaderRowsOfManyShapes) {
    if (!vezuved_cli::XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    const auto blocks = Blocks(TestData("cli/data/auto-expected.txt"));
    EXPECT_EQ(blocks.size(), 13u);
    for (const auto& block : blocks) {
        SCOPED_TRACE(block[0]);
        const std::string data = Out(block[0].substr(3)), gpx = data + ".gpx";
        WriteFile(data, TestData("cli/data/auto/" + block[0].substr(3)));
        Expected(0, Said(block, data), {"convert", data, gpx, "--auto"});
        const vezuved_cli::Reading read = vezuved_cli::ReadMap(gpx, "x", false);
        ASSERT_TRUE(read.read) << read.failure;
        EXPECT_EQ(vezuved_cli::Summary(read.sets), block.at(1));
    }
}

TEST_F(ToolDefinitions, AutoRefusesAHeaderWithoutPosition) {
    const std::string data = Out("nolat.csv"),
                      cannot = "vezuved: cannot make a format definition for '" + data,
                      latitude = "no column for latitude (lat, latitude or y)";
    WriteFile(data, "name,lon,ele\nAlpha,3,4\n");
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
    const std::string temporary = Out("tmp"), data = Out("walk.csv"), shell = "TMPDIR='" + temporary + "' ";
    std::filesystem::create_directories(temporary);
    WriteFile(data, "lat,lon,ele_m,time,name\n45.5,-122.25,100,2021-08-14T10:15:00+02:00,Alpha\n");
    Expected(0, "", {"show", data, "--auto"}, shell);
    // The database goes beside the file read, not beside its rewritten copy.
    EXPECT_EQ(Expected(0, "", {"import", data, "--auto"}, shell),
              "Wrote " + Out("walk.pdb") + " (points, 1 record(s))\n");
    EXPECT_TRUE(std::filesystem::is_empty(temporary));
    const std::string shown = RunTool({"show", Out("walk.pdb")}).out;
    EXPECT_EQ(shown.rfind("name ", 0), 0u) << shown;  // one set: no heading over its table
    EXPECT_NE(shown.find("2021-08-14T08:15:00Z"), std::string::npos) << shown;
}

// A value --auto's copy cannot read is reported by the user's file and line.
TEST_F(ToolDefinitions, AutoNamesTheUsersFileForValuesItCannotRead) {
    const std::string data = Out("invalid.csv");
    WriteFile(data, TestData("cli/data/auto/invalid.csv"));
    Expected(1,
             "vezuved: " + data + ":3: column 3: '2021-02-30T10:00:00Z' is not a time\n",
             {"convert", data, Out("walk.gpx"), "--auto", "--strict"});
    EXPECT_FALSE(FileExists(Out("walk.gpx")));
}

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

// A header line is written as the definition's own bytes, whatever they are.
TEST_F(ToolDefinitions, AHeaderLineKeepsTheDefinitionsBytes) {
    const std::string header = "H\xF6he \xC3\x81 \x81\x8D\x8F\x90\x9D [NumRecords]";
    const std::string definition = Out("bytes.cal");
    WriteFile(definition, "Delimited = ,\nLatitude = 0\nLongitude = 1\nName = 2\nHeader = " + header + "\n");
    WriteFile(Out("one.gpx"), "<gpx><wpt lat=\"45.5\" lon=\"7.25\"><name>A</name></wpt></gpx>");
    ASSERT_EQ(RunTool({"convert", Out("one.gpx"), Out("one.txt"), "--output-definition", definition}).status,
              0);
    const std::string text = ReadFile(Out("one.txt"));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "H\xF6he \xC3\x81 \x81\x8D\x8F\x90\x9D 1");
}

// A made definition leaves out the columns it would refuse on every line,
// ISO 8601 times among them (tests/cli/data/make-left-out.txt).
TEST_F(ToolDefinitions, MakeLeavesOutIsoTimeColumns) {
    const auto cases = Blocks(TestData("cli/data/make-left-out.txt"));
    EXPECT_EQ(cases.size(), 3u);
    const std::string data = Out("log.csv"), definition = Out("log.cal"), gpx = Out("log.gpx");
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        WriteFile(data, Said(c));
        Expected(
            0, "vezuved: warning: left out " + c.at(1) + "\n", {"formats", "make", data, "-o", definition});
        EXPECT_NE(ReadFile(definition).find("time = -1\ndate = -1\n"), std::string::npos);
        Expected(0, "", {"convert", data, gpx, "-d", definition});
        EXPECT_NE(ReadFile(gpx).find("<wpt lat=\"45.5\" lon=\"7.5\">\n  </wpt>"), std::string::npos)
            << ReadFile(gpx);
    }
}

// The shipped and broken definitions, explained as tests/cli/explained holds.
TEST_F(ToolDefinitions, ExplainsShippedAndBrokenDefinitions) {
    std::vector<std::pair<std::string, std::string>> cases;  // definition, explanation
    for (const auto& entry : std::filesystem::directory_iterator(SourceFile("examples/formats")))
        cases.emplace_back(entry.path().string(), entry.path().stem().string() + ".txt");
    EXPECT_EQ(cases.size(), 11u);
    for (const std::string name : {"unknown-values", "fixed-widths-cr", "garmin-keywords", "tab-delimiter"}) {
        WriteFile(Out(name + ".cal"), TestData("cli/data/broken/" + name + ".cal"));
        cases.emplace_back(Out(name + ".cal"), "broken-" + name + ".txt");
    }
    for (const auto& [definition, explained] : cases) {
        SCOPED_TRACE(explained);
        EXPECT_EQ(Expected(0, "", {"formats", "explain", definition}),
                  ReadFile(SourceFile("tests/cli/explained/" + explained)));
    }
}

TEST_F(ToolDefinitions, ExplainFailsOnlyWhenTheFileCannotBeRead) {
    const std::string cannot = "vezuved: cannot read the format definition '";
    Expected(1, cannot + folder_ + "': it is a folder, not a file\n", {"formats", "explain", folder_});
    // Hostile bytes are explained, not crashed on.
    std::string noise;
    for (int i = 0; i < 4096; ++i) noise += static_cast<char>((i * 7919) % 256);
    WriteFile(Out("noise.cal"), noise + std::string(2000, 'x') + "=\n" + std::string(600, '"'));
    EXPECT_EQ(RunTool({"formats", "explain", Out("noise.cal")}).status, 0);
}

}  // namespace
}  // namespace cli_test
