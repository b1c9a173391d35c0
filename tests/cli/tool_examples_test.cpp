// Every example command the help texts and README.md show runs as written,
// in a fresh folder holding the example files (and hike.pdb, which the
// examples take as made), and gives the right data.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolExamples = ToolTest;

// What an example must give: texts on standard output, or in a file.
struct Expected {
    std::string file;  // empty: standard output
    std::vector<std::string> texts;
};

const std::map<std::string, Expected>& Checks() {
    static const std::map<std::string, Expected> kChecks = {
        {"convert examples/data/hike-track.csv hike.gpx -d examples/formats/track.cal",
         {"hike.gpx",
          {"<trk>", "<trkpt lat=\"45.3311000\" lon=\"-121.7113000\">", "<ele>1829.00</ele>",
           "<time>2021-08-14T08:15:00Z</time>", "<name>TP008</name>"}}},
        {"import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb",
         {"", {"Wrote hike.pdb (track, 8 record(s))"}}},
        {"info hike.pdb", {"", {"track", "records:  8"}}},
        {"show hike.pdb", {"", {"TP001  45.3311000  -121.7113000", "8 point(s), track"}}},
        {"show hike.pdb --output gpx", {"", {"<trkpt lat=\"45.3311000\"", "<time>2021-08-14T10:15:00Z</time>"}}},
        {"show examples/data/summits.csv -d examples/formats/name-first.cal --output json",
         {"", {"\"name\": \"Mount Hood\"", "\"elevation_ft\": 11249", "\"name\": \"Mount Jefferson\""}}},
        {"export hike.pdb -d examples/formats/garmin.cal -o hike.txt",
         {"hike.txt", {"Trackpoint\t45.3311000 -121.7113000\t08/14/2021 08:15.00\t6000.5832000"}}},
        {"convert hike.pdb hike.gpx", {"hike.gpx", {"<trkpt lat=\"45.3311000\"", "<time>2021-08-14T08:15:00Z</time>"}}},
        {"convert examples/data/summits.csv summits.geojson -d examples/formats/name-first.cal",
         {"summits.geojson", {"\"FeatureCollection\"", "\"Mount Hood\"", "-121.6959"}}},
        {"convert examples/data/peaks-metres.csv peaks.gpx -d examples/formats/metres.cal",
         {"peaks.gpx", {"<wpt lat=\"46.5367000\" lon=\"7.9625000\">", "<ele>4158.00</ele>", "<ele>3967.00</ele>"}}},
        {"show examples/data/springs.tsv -d examples/formats/tab.cal --encoding utf-8 --strict",
         {"", {"Mirror Lake", "3 point(s), points"}}},
        {"formats examples/formats", {"", {"track.cal", "Track log, metres", "comp.cal"}}},
        {"device push --device emulated-handheld --create hike.pdb", {"", {"Copying to Device: hike"}}},
        {"device list --device emulated-handheld .", {"", {"Tracks:\nhike "}}},
        {"device push --update hike.pdb", {"", {"Database is up to date: hike"}}},
        {"device pull --kind tracks backup",
         {"backup/hike.rlt", {"45.3311000,-121.7113000,6000.5832000,081500 14082021,TP001"}}},
    };
    return kChecks;
}

// The lines of text that start with prefix + "vezuved ", without the
// program name and any "# comment".
std::vector<std::string> ExampleLines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    const std::string start = prefix + "vezuved ";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, start.size(), start) != 0) continue;
        line = line.substr(start.size());
        if (const size_t comment = line.find(" #"); comment != std::string::npos) line.erase(comment);
        std::istringstream words(line);
        std::string normal, word;
        while (words >> word) normal += (normal.empty() ? "" : " ") + word;
        lines.push_back(normal);
    }
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST_F(ToolExamples, EveryShownExampleRunsAndGivesTheRightData) {
    std::vector<std::string> examples;
    const std::vector<std::vector<std::string>> helps = {
        {"--help"},           {"info", "--help"},           {"show", "--help"},
        {"import", "--help"}, {"export", "--help"},         {"convert", "--help"},
        {"formats", "--help"}, {"device", "--help"},        {"device", "list", "--help"},
        {"device", "push", "--help"}, {"device", "pull", "--help"}};
    for (const auto& help : helps) {
        const ToolResult result = RunTool(help);
        ASSERT_EQ(result.status, 0) << help[0];
        const auto lines = ExampleLines(result.out, "  ");
        EXPECT_FALSE(lines.empty()) << "no example in the help of " << help[0];
        examples.insert(examples.end(), lines.begin(), lines.end());
    }
    const auto readme = ExampleLines(ReadFile(SourceFile("README.md")), "    ");
    EXPECT_GE(readme.size(), 5u);
    examples.insert(examples.end(), readme.begin(), readme.end());
    EXPECT_GE(examples.size(), 20u);

    const std::string build = std::getenv("VEZUVED_BUILD_DIR") != nullptr ? std::getenv("VEZUVED_BUILD_DIR") : "";
    const std::string emulator = build + "/librapi-emu.so";
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        const auto check = Checks().find(example);
        ASSERT_NE(check, Checks().end()) << "no check for the example 'vezuved " << example << "'";
        const bool device = example.compare(0, 7, "device ") == 0;
        if (device && !FileExists(emulator)) {
            std::cout << "not run without the device emulator: vezuved " << example << "\n";
            continue;
        }
        const std::string folder = FreshFolder("example");
        std::filesystem::copy(SourceFile("examples"), folder + "/examples", std::filesystem::copy_options::recursive);
        std::filesystem::create_directory(folder + "/emulated-handheld");
        const std::string shell = "cd '" + folder + "' && VEZUVED_DEVICE=emulated-handheld VEZUVED_RAPI_LIBRARY='" +
                                  emulator + "' ";
        ASSERT_EQ(RunTool(Words("import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb"),
                          shell).status, 0);
        if (device) {
            ASSERT_EQ(RunTool(Words("device push --device emulated-handheld --create hike.pdb"), shell).status, 0);
        }
        const ToolResult result = RunTool(Words(example), shell);
        ASSERT_EQ(result.status, 0) << result.err;
        const Expected& expected = check->second;
        const std::string text = expected.file.empty() ? result.out : ReadFile(folder + "/" + expected.file);
        for (const std::string& part : expected.texts) {
            EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
        }
    }
}

}  // namespace
}  // namespace cli_test
