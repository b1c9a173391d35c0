// The tool as a process: each command on the example files; its GeoJSON and
// JSON parsed back by Python's JSON parser. (Its GPX is checked against the
// GPX 1.1 schema wherever the GPS tests write one.)
#include <filesystem>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolCommands = ToolTest;

// A command that succeeds and writes each expected text to standard output,
// or to `file` when one is named.
struct Step {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
    std::string file = "";
};

void Expect(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const ToolResult result = RunTool(step.arguments);
        const std::string line = Joined(step.arguments);
        ASSERT_EQ(result.status, 0) << line << "\n" << result.err;
        const std::string text = step.file.empty() ? result.out : ReadFile(step.file);
        for (const auto& expected : step.expected) {
            EXPECT_NE(text.find(expected), std::string::npos) << line << "\n" << expected << "\n" << text;
        }
    }
}

TEST_F(ToolCommands, ImportShowInfoAndExport) {
    const std::string track = Out("hike.pdb"), loop = Out("loop.pdb"), sub = Out("sub");
    WriteFile(Out("peaks.csv"), "Eiger,46.5776,8.0053,1000\n");
    WriteFile(Out("cafe.csv"), "45.5,-122.25,100,,Caf\xE9,,Tea \x80 2\n");
    std::filesystem::create_directory(sub);
    Expect({
        {{"--version"}, {"vezuved "}},
        {{"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", track}, {}},
        {{"show", track, "--output", "json"}, {"\"kind\": \"track\""}},
        {{"show", track, "--output", "GPX"}, {"<trkpt lat=\"45.3311000\" lon=\"-121.7113000\">"}},
        // Text into a folder, and beside the database.
        {{"export", track, "-d", FormatFile("comma.cal"), "-o", sub}, {sub + "/hike.csv"}},
        {{"export", track, "--layout", "tab"}, {"45.3311000\t-121.7113000"}, Out("hike.rlt")},
        // Columns and units from the command line instead of a definition.
        {{"import", Out("peaks.csv"), "--columns", "name,lat,lon,ele", "--metres", "-o", Out("peaks.pdb")},
         {}},
        {{"show", Out("peaks.pdb"), "--output", "csv"}, {"Eiger,46.5776000,8.0053000,3280.8398950"}},
        {{"import",
          DataFile("lake-loop-route.csv"),
          "-d",
          FormatFile("route.cal"),
          "--kind",
          "route-old",
          "-o",
          loop},
         {}},
        {{"info", loop}, {"route", "version:  1", "records:  6"}},  // with the placeholder
        {{"show", loop}, {"5 point(s), route"}},
        // Text to text: read by one definition, written by another.
        {{"convert",
          DataFile("springs.tsv"),
          Out("s.csv"),
          "-d",
          FormatFile("tab.cal"),
          "--output-definition",
          FormatFile("name-first.cal")},
         {"Mirror Lake,45.3016000,-121.7866000,4100,Quiet lake"},
         Out("s.csv")},
        // Windows-1252 text becomes UTF-8.
        {{"show", Out("cafe.csv"), "-d", FormatFile("comma.cal"), "--output", "json"},
         {"\"name\": \"Caf\xC3\xA9\"", "Tea \xE2\x82\xAC 2"}},
    });
    EXPECT_NE(
        ReadFile(sub + "/hike.csv").find("45.3311000,-121.7113000,6000.6561680,081500 14082021,TP001,,\r\n"),
        std::string::npos);
}

TEST_F(ToolCommands, FormatsListsTitlesKindsAndExtensions) {
    Expect({{{"formats", SourceFile("examples/formats")},
             {"file", "track.cal", "Track log, metres", "route", "garmin", "DegNoSpace", "wpt"}},
            {{"formats", folder_}, {"No format definitions"}}});
}

// data, definition, LineStrings in its GeoJSON.
const std::vector<std::vector<std::string>> kSources = {{"summits.csv", "name-first.cal", "0"},
                                                        {"hike-track.csv", "track.cal", "1"},
                                                        {"lake-loop-route.csv", "route.cal", "1"}};

TEST_F(ToolCommands, GeoJsonAndJsonParseBack) {
    if (!HasProgram("python3")) GTEST_SKIP() << "python3 is not installed";
    // A FeatureCollection of Points in range, or for a route or track one
    // LineString alone, through as many positions as show's JSON listing has.
    WriteFile(Out("check.py"), TestData("cli/data/scripts/check_geojson_and_listing.py"));
    std::string arguments;
    for (const auto& s : kSources) {
        ASSERT_EQ(RunTool({"convert", DataFile(s[0]), Out(s[0] + ".geojson"), "-d", FormatFile(s[1])}).status,
                  0);
        const ToolResult shown =
            RunTool({"show", DataFile(s[0]), "-d", FormatFile(s[1]), "--output", "json"});
        ASSERT_EQ(shown.status, 0) << s[0];
        WriteFile(Out(s[0] + ".json"), shown.out);
        arguments += " '" + Out(s[0] + ".geojson") + "' " + s[2] + " '" + Out(s[0] + ".json") + "'";
    }
    EXPECT_EQ(RunShell("python3 '" + Out("check.py") + "'" + arguments), 0);
}

}  // namespace
}  // namespace cli_test
