// The tool as a process: each command on the example files.
#include <gtest/gtest.h>

#include "tool_runner.h"

namespace cli_test {
namespace {

class ToolCommands : public ::testing::Test {
protected:
    void SetUp() override {
        if (ToolPath().empty()) GTEST_SKIP() << "the vezuved tool was not built";
        folder_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Out(const std::string& name) const { return folder_ + "/" + name; }

    // Imports the example track into a database and returns its path.
    std::string ImportTrack() {
        const std::string database = Out("hike.pdb");
        const ToolResult result =
            RunTool({"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", database});
        EXPECT_EQ(result.status, 0) << result.err;
        return database;
    }

    std::string folder_;
};

TEST_F(ToolCommands, VersionAndHelp) {
    const ToolResult version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("vezuved "), std::string::npos);
    for (const char* command : {"info", "show", "import", "export", "convert", "formats"}) {
        const ToolResult help = RunTool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("Example"), std::string::npos) << command;
        EXPECT_NE(help.out.find(std::string("vezuved ") + command), std::string::npos) << command;
    }
}

TEST_F(ToolCommands, ImportWritesTrackDatabase) {
    const std::string database = ImportTrack();
    const ToolResult info = RunTool({"info", database});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("track"), std::string::npos);
    EXPECT_NE(info.out.find("records:  8"), std::string::npos) << info.out;
}

// Every example data file with its definition, shown as a table.
TEST_F(ToolCommands, ShowsEveryExample) {
    struct Case {
        const char* data;
        const char* format;
        int points;
        const char* first;
    };
    const Case cases[] = {
        {"summits.csv", "name-first.cal", 4, "Mount Hood"},
        {"hike-track.csv", "track.cal", 8, "2021-08-14T08:15:00Z"},
        {"lake-loop-route.csv", "route.cal", 5, "Trailhead"},
        {"springs.tsv", "tab.cal", 3, "Mirror Lake"},
        {"camps.dat", "fixed.cal", 3, "High Camp"},
        {"beacons.wpt", "pcx5.cal", 3, "45.3735000"},
        {"waypoints.txt", "garmin.cal", 3, "-121.6543833"},
        {"alps-comp.csv", "comp.cal", 3, "46.5475000"},
        {"huts-degnospace.csv", "degnospace.cal", 3, "45.9200000"},
        {"peaks-metres.csv", "metres.cal", 3, "13641.5664000"},
    };
    for (const auto& c : cases) {
        const ToolResult result = RunTool({"show", DataFile(c.data), "-d", FormatFile(c.format)});
        EXPECT_EQ(result.status, 0) << c.data << result.err;
        EXPECT_NE(result.out.find(std::to_string(c.points) + " point(s)"), std::string::npos) << c.data << result.out;
        EXPECT_NE(result.out.find(c.first), std::string::npos) << c.data << result.out;
    }
}

TEST_F(ToolCommands, ShowOutputFormats) {
    const std::string database = ImportTrack();
    struct Case {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {{"table", "TP001  45.3311000  -121.7113000"},
                          {"csv", "name,latitude,longitude,elevation_ft,time,icon,description\r\n"},
                          {"json", "\"kind\": \"track\""},
                          {"geojson", "\"LineString\""},
                          {"gpx", "<trkpt lat=\"45.3311000\" lon=\"-121.7113000\">"},
                          {"GPX", "<trkseg>"}};
    for (const auto& c : cases) {
        const ToolResult result = RunTool({"show", database, "--output", c.format});
        EXPECT_EQ(result.status, 0) << c.format << result.err;
        EXPECT_NE(result.out.find(c.expected), std::string::npos) << c.format << result.out;
    }
}

TEST_F(ToolCommands, ImportWithColumnsAndUnits) {
    // No definition: the columns and units come from the command line.
    const std::string text = Out("peaks.csv");
    WriteFile(text, "Eiger,46.5776,8.0053,1000\n");
    const std::string database = Out("peaks.pdb");
    const ToolResult result = RunTool({"import", text, "--columns", "name,lat,lon,ele", "--metres", "-o", database});
    ASSERT_EQ(result.status, 0) << result.err;
    const ToolResult shown = RunTool({"show", database, "--output", "csv"});
    EXPECT_NE(shown.out.find("Eiger,46.5776000,8.0053000,3280.8000000"), std::string::npos) << shown.out;
}

TEST_F(ToolCommands, ImportAsRouteKind) {
    const std::string database = Out("loop.pdb");
    const ToolResult result = RunTool({"import", DataFile("lake-loop-route.csv"), "-d", FormatFile("route.cal"),
                                       "--kind", "route-old", "-o", database});
    ASSERT_EQ(result.status, 0) << result.err;
    const ToolResult info = RunTool({"info", database});
    EXPECT_NE(info.out.find("route"), std::string::npos);
    EXPECT_NE(info.out.find("version:  1"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("records:  6"), std::string::npos) << info.out;  // with the placeholder
    const ToolResult shown = RunTool({"show", database});
    EXPECT_NE(shown.out.find("5 point(s), route"), std::string::npos) << shown.out;
}

TEST_F(ToolCommands, ExportToFileFolderAndBeside) {
    const std::string database = ImportTrack();
    const ToolResult exact = RunTool({"export", database, "-d", FormatFile("comma.cal"), "-o", Out("exact.txt")});
    ASSERT_EQ(exact.status, 0) << exact.err;
    EXPECT_NE(ReadFile(Out("exact.txt")).find("45.3311000,-121.7113000,6000.5832000,081500 14082021,TP001,,\r\n"),
              std::string::npos)
        << ReadFile(Out("exact.txt"));

    const std::string sub = FreshFolder(std::string("export-folder-") + std::to_string(rand()));
    const ToolResult folder = RunTool({"export", database, "-d", FormatFile("comma.cal"), "-o", sub});
    ASSERT_EQ(folder.status, 0) << folder.err;
    EXPECT_TRUE(FileExists(sub + "/hike.csv"));
    EXPECT_NE(folder.out.find(sub + "/hike.csv"), std::string::npos) << folder.out;

    const ToolResult beside = RunTool({"export", database, "--layout", "tab"});
    ASSERT_EQ(beside.status, 0) << beside.err;
    EXPECT_TRUE(FileExists(Out("hike.rlt")));
    EXPECT_NE(ReadFile(Out("hike.rlt")).find("45.3311000\t-121.7113000"), std::string::npos);
}

TEST_F(ToolCommands, ExportGarminText) {
    const std::string database = ImportTrack();
    ASSERT_EQ(RunTool({"export", database, "-d", FormatFile("garmin.cal"), "-o", Out("hike.txt")}).status, 0);
    const std::string text = ReadFile(Out("hike.txt"));
    EXPECT_EQ(text.rfind("Grid\tLat/Lon", 0), 0u);
    EXPECT_NE(text.find("Trackpoint\t45.3311000 -121.7113000\t08/14/2021 08:15.00"), std::string::npos) << text;
}

TEST_F(ToolCommands, ConvertByExtensions) {
    const std::string database = Out("summits.pdb");
    struct Case {
        std::vector<std::string> arguments;
        std::string output;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"convert", DataFile("summits.csv"), database, "-d", FormatFile("name-first.cal")}, database, "PoLi"},
        {{"convert", database, Out("copy.pdb")}, Out("copy.pdb"), "PoLi"},
        {{"convert", database, Out("summits.gpx")}, Out("summits.gpx"), "<wpt lat=\"45.3735000\""},
        {{"convert", database, Out("summits.geojson")}, Out("summits.geojson"), "\"Point\""},
        {{"convert", database, Out("summits.tsv"), "--output-definition", FormatFile("tab.cal")},
         Out("summits.tsv"), "45.3735000\t-121.6959000\t11249\t\tMount Hood"},
        {{"convert", DataFile("springs.tsv"), Out("springs.csv"), "-d", FormatFile("tab.cal"),
          "--output-definition", FormatFile("name-first.cal")},
         Out("springs.csv"), "Mirror Lake,45.3016000,-121.7866000,4100,Quiet lake"},
    };
    for (const auto& c : cases) {
        const ToolResult result = RunTool(c.arguments);
        ASSERT_EQ(result.status, 0) << c.output << result.err;
        EXPECT_NE(ReadFile(c.output).find(c.expected), std::string::npos) << c.output << "\n" << ReadFile(c.output);
    }
}

TEST_F(ToolCommands, FormatsListsTitlesKindsAndExtensions) {
    const ToolResult result = RunTool({"formats", SourceFile("examples/formats")});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const char* expected : {"file", "track.cal", "Track log, metres", "route", "garmin", "DegNoSpace", "wpt"}) {
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
    }
    const ToolResult empty = RunTool({"formats", folder_});
    EXPECT_EQ(empty.status, 0);
    EXPECT_NE(empty.out.find("No format definitions"), std::string::npos);
}

TEST_F(ToolCommands, Windows1252TextBecomesUtf8) {
    const std::string text = Out("cafe.csv");
    WriteFile(text, "45.5,-122.25,100,,Caf\xE9,,Tea \x80 2\n");
    const ToolResult result = RunTool({"show", text, "--output", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\"name\": \"Caf\xC3\xA9\""), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Tea \xE2\x82\xAC 2"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace cli_test
