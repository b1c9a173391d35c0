// Each command on the example files; a run's outputs planned before it writes.
#include "files/failure.h"
#include "files/output_plan.h"
#include "tool_runner.h"

#include <filesystem>
#include <set>

namespace cli_test {
namespace {

using ToolCommands = ToolTest;

// A command that succeeds, writing each text to standard output or `file`.
struct Step {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
    std::string file = "";
};

void Expect(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const std::string out = Ok(step.arguments), text = step.file.empty() ? out : ReadFile(step.file);
        for (const auto& part : step.expected)
            EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    }
}

TEST_F(ToolCommands, ImportShowInfoExportAndFormats) {
    const std::string track = Out("hike.pdb"), loop = Out("loop.pdb"), sub = Out("sub");
    const std::string route = FormatFile("route.cal"), tab = FormatFile("tab.cal");
    const std::string nameFirst = FormatFile("name-first.cal");
    WriteFile(Out("peaks.csv"), "Eiger,46.5776,8.0053,1000\n");
    std::filesystem::create_directory(sub);
    Expect({
        {{"--version"}, {"vezuved "}},
        {{"import", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "-o", track}, {}},
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
        // Filtered, a text's points are each shown once; named, every one stays.
        {{"show", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "--fit", "2"},
         {"\n8 point(s), track"}},
        // Text to text: read by one definition, written by another.
        {{"convert", DataFile("springs.tsv"), Out("s.csv"), "-d", tab, "--output-definition", nameFirst},
         {"Mirror Lake,45.3016000,-121.7866000,4100,Quiet lake"},
         Out("s.csv")},
        // The definitions of a folder, with their titles, kinds and extensions.
        {{"formats", SourceFile("examples/formats")},
         {"file", "track.cal", "Track log, metres", "route", "garmin", "DegNoSpace", "wpt"}},
        {{"formats", sub}, {"No format definitions"}},
    });
    EXPECT_NE(
        ReadFile(sub + "/hike.csv").find("45.3311000,-121.7113000,6000.6561680,081500 14082021,TP001,,\r\n"),
        std::string::npos);
}

using OutputPlanRuns = ToolTest;

// A GPX document of a two-point track of each name.
std::string Gpx(const std::vector<std::string>& names) {
    std::string body;
    for (const std::string& name : names) {
        body += "<trk><name>" + name +
                "</name><trkseg><trkpt lat=\"45.1\" lon=\"-121.1\"/><trkpt lat=\"45.2\" lon=\"-121.2\"/>"
                "</trkseg></trk>";
    }
    return "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">" + body + "</gpx>\n";
}

const char kKml[] =
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark><LineString><coordinates>9,47 9.1,47.1"
    "</coordinates></LineString></Placemark></kml>\n";
const char kGeoJson[] = R"({"type": "Point", "coordinates": [9, 47]})";

std::set<std::string> FilesIn(const std::string& folder) {
    const std::vector<std::string> names = FolderNames(folder);
    return {names.begin(), names.end()};
}

// The runs of tests/cli/data/colliding-outputs.txt.
TEST_F(OutputPlanRuns, CollidingOutputsAreNumberedOrTheRunFailsWithNothingWritten) {
    const auto runs = Blocks(TestData("cli/data/colliding-outputs.txt"));
    EXPECT_EQ(runs.size(), 6u);
    for (size_t r = 0; r < runs.size(); ++r) {
        SCOPED_TRACE(runs[r][0]);
        const std::string in = FreshFolder("outputs-" + std::to_string(r));
        ToolResult result;
        for (size_t line = 1; line < runs[r].size(); ++line) {
            std::vector<std::string> words = CommandWords(runs[r][line]);
            for (std::string& word : words) word = word.rfind("IN", 0) == 0 ? in + word.substr(2) : word;
            const std::string first = words[0];
            words.erase(words.begin());
            if (first == "$") {
                result = RunTool(words);
            } else if (first == "=") {
                EXPECT_EQ(std::to_string(result.status), words[0]) << result.err;
                EXPECT_EQ(FilesIn(in), std::set<std::string>(words.begin() + 1, words.end())) << result.err;
            } else if (first == "out/") {
                EXPECT_EQ(FilesIn(in + "/out"), std::set<std::string>(words.begin(), words.end()));
            } else {
                const std::string extension = std::filesystem::path(first).extension().string();
                WriteFile(in + "/" + first,
                          extension == ".gpx"   ? Gpx(words)
                          : extension == ".kml" ? kKml
                                                : kGeoJson);
            }
        }
    }
    // 20 sets, one name too long: cut to 255 bytes, the most ext4 takes.
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i) twenty.push_back(i == 10 ? std::string(300, 'x') : "t" + std::to_string(i));
    const std::string in = FreshFolder("outputs-twenty");
    WriteFile(in + "/t.gpx", Gpx(twenty));
    EXPECT_EQ(RunTool({"convert", in + "/t.gpx", in + "/o.pdb"}).status, 0);
    const std::set<std::string> files = FilesIn(in);
    EXPECT_EQ(files.size(), 21u);
    EXPECT_EQ(files.count("o-" + std::string(247, 'x') + "-1.pdb"), 1u) << *files.rbegin();
}

// A file named twice (through "./", a link, a wildcard) is read once, as said.
TEST_F(OutputPlanRuns, AFileNamedTwiceIsReadOnce) {
    const std::string in = FreshFolder("twice"), t = in + "/t.gpx";
    const auto again = [&](const std::string& name) {
        return "vezuved: '" + name + "' is '" + t + "' named again: read once\n";
    };
    WriteFile(t, Gpx({"walk"}));
    Ok({"convert", t, in + "/once.geojson"});
    // A link where the system makes one (Windows may refuse it).
    std::error_code error;
    std::filesystem::create_symlink(t, in + "/link.gpx", error);
    std::vector<std::string> words = {"convert", t, in + "/./t.gpx"};
    std::string said = again(in + "/./t.gpx");
    if (!error) words.push_back(in + "/link.gpx"), said += again(in + "/link.gpx");
    words.push_back(in + "/twice.geojson");
    Expected(0, said, words);
    EXPECT_EQ(ReadFile(in + "/once.geojson"), ReadFile(in + "/twice.geojson"));
    // A wildcard that matches a file named before it.
    Expected(0, again(t), {"convert", t, in + "/t.g?x", in + "/wild.geojson"});
    EXPECT_EQ(ReadFile(in + "/once.geojson"), ReadFile(in + "/wild.geojson"));
}

// A set's name loses its bidirectional controls in a file name.
TEST_F(OutputPlanRuns, BidirectionalControlsNeverReachAFileName) {
    const std::string in = FreshFolder("bidi");
    WriteFile(in + "/t.gpx",
              Gpx({"evil\xE2\x80\xAEgpx.exe",
                   "a\xE2\x81\xA6"
                   "b\xE2\x80\x8F"
                   "c",
                   "caf\xC3\xA9\xC3\x9C",  // U+00DC ends as U+061C does, and is no control
                   "d\xD8\x9C"
                   "e",
                   "Anna\xE2\x80\x99s walk",  // U+2019 begins as the marks do, and is none
                   "end\xE2\x80\x8E"}));
    Ok({"convert", in + "/t.gpx", in + "/o.pdb"});
    EXPECT_EQ(FilesIn(in),
              (std::set<std::string>{"t.gpx",
                                     "o-evil_gpx.exe.pdb",
                                     "o-a_b_c.pdb",
                                     "o-caf\xC3\xA9\xC3\x9C.pdb",
                                     "o-d_e.pdb",
                                     "o-Anna\xE2\x80\x99s walk.pdb",
                                     "o-end.pdb"}));
}

// The file keeps the name given; the database inside takes 31 bytes, as said.
TEST_F(OutputPlanRuns, LongImportNamesKeepTheirWholeFileName) {
    const std::string hike = DataFile("hike-track.csv"), track = FormatFile("track.cal");
    // A character the 31st byte falls inside is left out whole, never cut in two.
    const std::string cut = std::string(30, 'a') + "\xC3\xA9t\xC3\xA9",
                      hood = "trip-2021-08-14-mount-hood-nort";
    for (const auto& [name, command, held] : {std::tuple(hood + "h-side", "import", hood),
                                              std::tuple(hood + "h-ridge", "import", hood),
                                              std::tuple(cut, "convert", std::string(30, 'a'))}) {
        const std::string database = Out(name + ".pdb");
        std::vector<std::string> arguments = {command, hike, "-d", track, "-o", Out(name + ".csv")};
        if (arguments[0] == "convert")
            arguments.erase(arguments.end() - 2, arguments.end()), arguments.push_back(database);
        Expected(0,
                 "vezuved: warning: the database in '" + database + "' is named '" + held +
                     "': a database name holds at most 31 characters\n",
                 arguments);
        EXPECT_EQ(ReadFile(database).substr(0, 32), held + std::string(32 - held.size(), '\0'));
    }
    EXPECT_EQ(FilesIn(folder_),
              (std::set<std::string>{hood + "h-side.pdb", hood + "h-ridge.pdb", cut + ".pdb"}));
}

bool FoldsCase(const std::string&) { return true; }
bool KeepsCase(const std::string&) { return false; }

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
    // By default the folder's own file system decides, as a file made in it shows.
    WriteFile(Out("Probe"), "x");
    OutputPlan asked;
    asked.Keep(Out("Q.gpx"), false);
    EXPECT_EQ(asked.Number(Out("q.gpx"), false),
              Out(std::filesystem::exists(Out("probe")) ? "q-2.gpx" : "q.gpx"));
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
