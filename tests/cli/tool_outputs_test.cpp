// The tool as a process: each command on the example files, its JSON
// listing parsed back by Python. A run's outputs are decided before the
// first byte is written: no output is another output or an input of the
// same run, and every name fits.
#include "files/failure.h"
#include "files/output_plan.h"
#include "tool_runner.h"

#include <filesystem>
#include <set>

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
        const std::string out = Ok(step.arguments), text = step.file.empty() ? out : ReadFile(step.file);
        for (const auto& part : step.expected)
            EXPECT_NE(text.find(part), std::string::npos) << Joined(step.arguments) << "\n"
                                                          << part << "\n"
                                                          << text;
    }
}

TEST_F(ToolCommands, ImportShowInfoAndExport) {
    const std::string track = Out("hike.pdb"), loop = Out("loop.pdb"), sub = Out("sub");
    const std::string route = FormatFile("route.cal"), tab = FormatFile("tab.cal");
    const std::string nameFirst = FormatFile("name-first.cal");
    WriteFile(Out("peaks.csv"), "Eiger,46.5776,8.0053,1000\n");
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
        {{"import", DataFile("lake-loop-route.csv"), "-d", route, "--kind", "route-old", "-o", loop}, {}},
        {{"info", loop}, {"route", "version:  1", "records:  6"}},  // with the placeholder
        {{"show", loop}, {"5 point(s), route"}},
        // Text to text: read by one definition, written by another.
        {{"convert", DataFile("springs.tsv"), Out("s.csv"), "-d", tab, "--output-definition", nameFirst},
         {"Mirror Lake,45.3016000,-121.7866000,4100,Quiet lake"},
         Out("s.csv")},
    });
    EXPECT_NE(ReadFile(sub + "/hike.csv")
                  .find("45.3311000,-121.7113000,6000.6561680,081500 "
                        "14082021,TP001,,\r\n"),
              std::string::npos);
}

TEST_F(ToolCommands, FormatsListsTitlesKindsAndExtensions) {
    Expect({{{"formats", SourceFile("examples/formats")},
             {"file", "track.cal", "Track log, metres", "route", "garmin", "DegNoSpace", "wpt"}},
            {{"formats", folder_}, {"No format definitions"}}});
}

// show's JSON listing parses, with every point (GDAL reads the GeoJSON of
// the same files in the map client tests).
TEST_F(ToolCommands, JsonListingParses) {
    if (!HasProgram("python3")) GTEST_SKIP() << "python3 is not installed";
    std::string files;
    for (const auto& [data, definition] : {std::pair("summits.csv", "name-first.cal"),
                                           std::pair("hike-track.csv", "track.cal"),
                                           std::pair("lake-loop-route.csv", "route.cal")}) {
        const ToolResult shown =
            RunTool({"show", DataFile(data), "-d", FormatFile(definition), "--output", "json"});
        ASSERT_EQ(shown.status, 0) << data;
        WriteFile(Out(std::string(data) + ".json"), shown.out);
        files += " " + Quoted(Out(std::string(data) + ".json"));
    }
    EXPECT_EQ(RunShell("python3 -c 'import json, sys; assert "
                       "[len(json.load(open(p))[\"points\"]) for p in "
                       "sys.argv[1:]] == [4, 8, 5]'" +
                       files),
              0);
}

using OutputPlanRuns = ToolTest;

// A GPX document of a two-point track of each name.
std::string Gpx(const std::vector<std::string>& names) {
    std::string body;
    for (const std::string& name : names) {
        body += "<trk><name>" + name +
                "</name><trkseg><trkpt lat=\"45.1\" lon=\"-121.1\"/><trkpt "
                "lat=\"45.2\" "
                "lon=\"-121.2\"/></trkseg></trk>";
    }
    return "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">" + body + "</gpx>\n";
}

const char kKml[] =
    "<kml "
    "xmlns=\"http://www.opengis.net/kml/"
    "2.2\"><Placemark><LineString><coordinates>9,47 9.1,47.1"
    "</coordinates></LineString></Placemark></kml>\n";
const char kGeoJson[] = R"({"type": "Point", "coordinates": [9, 47]})";

std::set<std::string> FilesIn(const std::string& folder) {
    const std::vector<std::string> names = FolderNames(folder);
    return {names.begin(), names.end()};
}

// Each row: input files (name, GPX track names), the command (IN/ stands
// for the input folder), the exit status and every file of the input folder
// afterwards; a failed run leaves only the inputs.
TEST_F(OutputPlanRuns, CollidingOutputsAreNumberedOrTheRunFailsWithNothingWritten) {
    const std::string longName(300, 'x');
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back(i == 10 ? longName : "t" + std::to_string(i));
    const std::string cut = "o-" + std::string(247, 'x') + "-1.pdb";  // 255 bytes, the most ext4 takes
    struct Row {
        const char* what;
        std::vector<std::pair<std::string, std::vector<std::string>>> inputs;
        std::vector<std::string> arguments;
        int status;
        std::set<std::string> files;
    };
    const std::vector<Row> rows = {
        {"by wildcard",
         {{"a.gpx", {"one"}}, {"a.kml", {}}},
         {"convert", "IN/a.*", "--to", "geojson", "--out-dir", "IN/out"},
         0,
         {"a.gpx", "a.kml", "out"}},
        {"by set name",
         {{"d.gpx", {"a", "a", "café 山", "a/b:c", "CON"}}},
         {"convert", "IN/d.gpx", "IN/o.pdb"},
         0,
         {"d.gpx", "o-a.pdb", "o-a-2.pdb", "o-café 山.pdb", "o-a_b_c.pdb", "o-CON.pdb"}},
        {"by --out-dir, with an input",
         {{"a.gpx", {"one"}}, {"a-2.gpx", {"two"}}},
         {"convert", "IN/a.gpx", "IN/a-2.gpx", "--to", "gpx", "--out-dir", "IN"},
         0,
         {"a.gpx", "a-2.gpx", "a-3.gpx", "a-2-2.gpx"}},
        {"a set's file and another input's",
         {{"x.gpx", {"a", "b"}}, {"x-a.gpx", {"c"}}},
         {"convert", "IN/x.gpx", "IN/x-a.gpx", "--to", "pdb", "--out-dir", "IN"},
         0,
         {"x.gpx", "x-a.gpx", "x-a.pdb", "x-a-2.pdb", "x-b.pdb"}},
        {"the input named as output",
         {{"a.gpx", {"one", "two"}}},
         {"convert", "IN/a.gpx", "IN/./a.gpx"},
         1,
         {"a.gpx"}},
        {"the points file and an input",
         {{"a.gpx", {"one"}}, {"o-points.geojson", {}}},
         {"convert", "IN/a.gpx", "IN/o-points.geojson", "-o", "IN/o.geojson", "--points"},
         0,
         {"a.gpx", "o-points.geojson", "o.geojson", "o-points-2.geojson"}},
        {"20 sets, one name too long", {{"t.gpx", twenty}}, {"convert", "IN/t.gpx", "IN/o.pdb"}, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string in = FreshFolder(std::string("outputs-") + std::to_string(&row - rows.data()));
        for (const auto& [name, tracks] : row.inputs) {
            const std::string extension = std::filesystem::path(name).extension().string();
            WriteFile(in + "/" + name,
                      extension == ".gpx"   ? Gpx(tracks)
                      : extension == ".kml" ? kKml
                                            : kGeoJson);
        }
        std::vector<std::string> arguments;
        for (std::string argument : row.arguments) {
            if (argument.compare(0, 2, "IN") == 0) argument = in + argument.substr(2);
            arguments.push_back(argument);
        }
        const ToolResult result = RunTool(arguments);
        EXPECT_EQ(result.status, row.status) << result.err;
        if (row.files.empty()) {  // the twenty sets
            std::set<std::string> files = FilesIn(in);
            EXPECT_EQ(files.size(), 21u);
            EXPECT_EQ(files.count(cut), 1u) << *files.rbegin();
            continue;
        }
        EXPECT_EQ(FilesIn(in), row.files) << result.out << result.err;
        if (row.files.count("out")) {
            EXPECT_EQ(FilesIn(in + "/out"), (std::set<std::string>{"a.geojson", "a-2.geojson"}));
        }
    }
}

// The name given is kept whole; the database inside takes 31 characters, and
// the tool says so.
TEST_F(OutputPlanRuns, LongImportNamesKeepTheirWholeFileName) {
    for (const char* end : {"side", "ridge"}) {
        const std::string name = std::string("trip-2021-08-14-mount-hood-north-") + end;
        Expected(
            0,
            "vezuved: the database in '" + Out(name + ".pdb") +
                "' is named 'trip-2021-08-14-mount-hood-nort': a database "
                "name holds at most 31 characters\n",
            {"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", Out(name + ".csv")});
        EXPECT_EQ(ReadFile(Out(name + ".pdb")).substr(0, 32),
                  std::string("trip-2021-08-14-mount-hood-nort") + '\0');
    }
    EXPECT_EQ(FilesIn(folder_),
              (std::set<std::string>{"trip-2021-08-14-mount-hood-north-side.pdb",
                                     "trip-2021-08-14-mount-hood-north-ridge.pdb"}));
}

// A ".json" output is the tool's JSON listing, never record-line text.
TEST_F(OutputPlanRuns, JsonOutputIsTheListingShowPrints) {
    const std::string db = Out("hike.pdb");
    Ok({"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", db});
    Ok({"convert", db, Out("hike.json")});
    EXPECT_EQ(ReadFile(Out("hike.json")), Ok({"show", db, "--output", "json"}));
}

bool FoldsCase(const std::string&) { return true; }
bool KeepsCase(const std::string&) { return false; }

// Names compared as the folder's file system compares them.
TEST_F(OutputPlanRuns, NamesDifferingByCaseAreOneFileWhereTheFolderFoldsCase) {
    using vezuved_cli::OutputPlan;
    struct Row {
        bool (*folds)(const std::string&);
        const char* kept;
        const char* numbered;
        const char* expected;
    } const rows[] = {
        {FoldsCase, "AZ.gpx", "az.gpx", "az-2.gpx"},  // to the last letter
        {KeepsCase, "A.gpx", "a.gpx", "a.gpx"},
        {FoldsCase, "CAFÉ ΩДОМ.gpx", "café ωдом.gpx", "café ωдом-2.gpx"},
        {FoldsCase, "sub/../b.gpx", "B.GPX", "B-2.GPX"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kept);
        OutputPlan plan(row.folds);
        plan.Keep(Out(row.kept), false);
        EXPECT_EQ(plan.Number(Out(row.numbered), false), Out(row.expected));
    }
    // An input is never an output, however it is spelt.
    WriteFile(Out("in.gpx"), "x");
    OutputPlan plan(FoldsCase);
    plan.AddInput(Out("in.gpx"));
    EXPECT_THROW(plan.Keep(Out("IN.gpx"), false), vezuved_cli::Failure);
    EXPECT_EQ(plan.Number(folder_ + "/./in.gpx", false), folder_ + "/./in-2.gpx");
    EXPECT_THROW(plan.Keep(Out(std::string(1100, 'p') + ".pdb"), true), vezuved_cli::Failure);
    EXPECT_THROW(plan.Keep(Out(std::string(300, 'p') + ".gpx"), false), vezuved_cli::Failure);
}

}  // namespace
}  // namespace cli_test
