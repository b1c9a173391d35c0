// Every example command the help texts and README.md show runs as written,
// in a fresh folder holding the example files (and hike.pdb, which the
// examples take as made), and gives the right data.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolExamples = ToolTest;

// What an example must give: texts in what it printed, in a file it wrote,
// or in what a later command prints about a file it wrote.
struct Expected {
    std::string source;  // empty: standard output; "stderr"; "vezuved ARGS": what that prints; else a file
    std::vector<std::string> texts;
};

const std::map<std::string, std::vector<Expected>>& Checks() {
    static const std::map<std::string, std::vector<Expected>> kChecks = {
        {"convert examples/data/hike-track.csv hike.gpx -d examples/formats/track.cal",
         {{"hike.gpx",
           {"<trk>",
            "<trkpt lat=\"45.3311000\" lon=\"-121.7113000\">",
            "<ele>1829.00</ele>",
            "<time>2021-08-14T08:15:00Z</time>",
            "<name>TP008</name>"}}}},
        {"import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb",
         {{"", {"Wrote hike.pdb (track, 8 record(s))"}}}},
        {"info hike.pdb", {{"", {"track", "records:  8"}}}},
        {"show hike.pdb", {{"", {"TP001  45.3311000  -121.7113000", "8 point(s), track"}}}},
        {"show hike.pdb --output gpx",
         {{"", {"<trkpt lat=\"45.3311000\"", "<time>2021-08-14T10:15:00Z</time>"}}}},
        {"show hike.pdb --output svg > hike.svg",
         {{"hike.svg",
           {"<svg xmlns=\"http://www.w3.org/2000/svg\"",
            "<title>hike</title>",
            "<polyline points=",
            "max 2412 m",
            "</svg>\n"}}}},
        {"show examples/data/summits.csv -d examples/formats/name-first.cal --output json",
         {{"", {"\"name\": \"Mount Hood\"", "\"elevation_ft\": 11249", "\"name\": \"Mount Jefferson\""}}}},
        {"export hike.pdb -d examples/formats/garmin.cal -o hike.txt",
         {{"hike.txt", {"Trackpoint\t45.3311000 -121.7113000\t08/14/2021 08:15.00\t6000.6561680"}}}},
        {"convert hike.pdb hike.gpx",
         {{"hike.gpx", {"<trkpt lat=\"45.3311000\"", "<time>2021-08-14T08:15:00Z</time>"}}}},
        {"convert hike.pdb hike.geojson --points",
         {{"hike.geojson", {"\"LineString\"", "[-121.7113000, 45.3311000, 1829.00]"}},
          {"hike-points.geojson",
           {"\"Point\"", "\"name\": \"TP008\"", "\"time\": \"2021-08-14T10:15:00Z\""}}}},
        {"convert hike.pdb hike.svg",
         {{"hike.svg", {"<title>hike</title>", "<polyline points=", "max 2412 m"}}}},
        {"convert phone.gpx hike.pdb --track 2",
         {{"vezuved show hike.pdb",
           {"46.2000000  7.2000000", "46.2200000  7.2200000", "3 point(s), track"}}}},
        {"convert a.gpx b.gpx -o all.pdb",
         {{"vezuved show all.pdb",
           {"Hut   46.5476000  7.9854000", "Col   46.5521000  7.9912000", "2 point(s), points"}}}},
        {"convert 'logs/*.gpx' --to pdb --out-dir db/",
         {{"vezuved show db/monday.pdb", {"Hut   46.5476000  7.9854000", "1 point(s), points"}},
          {"vezuved show db/tuesday.pdb", {"Col   46.5521000  7.9912000", "1 point(s), points"}}}},
        {"cat x.gpx | vezuved convert - out.pdb --from gpx",
         {{"vezuved show out.pdb", {"Hut   46.5476000  7.9854000", "1 point(s), points"}}}},
        {"convert examples/data/summits.csv summits.geojson -d examples/formats/name-first.cal",
         {{"summits.geojson", {"\"FeatureCollection\"", "\"Mount Hood\"", "-121.6959"}}}},
        {"convert examples/data/peaks-metres.csv peaks.gpx -d examples/formats/metres.cal",
         {{"peaks.gpx",
           {"<wpt lat=\"46.5367000\" lon=\"7.9625000\">", "<ele>4158.00</ele>", "<ele>3967.00</ele>"}}}},
        {"show examples/data/springs.tsv -d examples/formats/tab.cal --encoding utf-8 --strict",
         {{"", {"Mirror Lake", "3 point(s), points"}}}},
        {"convert hike.gpx hike-again.pdb",
         {{"vezuved show hike-again.pdb",
           {"TP001  45.3311000  -121.7113000", "TP008  45.3602000  -121.6915000", "8 point(s), track"}}}},
        {"convert '*.gpx' --to kml --out-dir maps/",
         {{"maps/hike.kml", {"<name>hike</name>", "-121.7113000,45.3311000,1829.00"}},
          {"maps/phone.kml", {"<name>Morning</name>", "<name>Afternoon</name>", "<gx:coord>7.2200000 46.2200000"}},
          {"maps/a.kml", {"<name>Hut</name>"}}}},
        {"formats examples/formats", {{"", {"track.cal", "Track log, metres", "comp.cal"}}}},
        {"formats explain examples/formats/track.cal",
         {{"",
           {"Title:        Track log, metres",
            "Header:       latitude,longitude,elevation_m,time,date,name",
            "3       elevation  metres"}}}},
        {"formats make examples/data/hike-track.csv -o hike-track.cal",
         {{"hike-track.cal", {"HeaderLines = 1", "latitude = 0", "elevation = 2", "EleFormat = Metres"}},
          {"vezuved show examples/data/hike-track.csv -d hike-track.cal",
           {"TP008  45.3602000  -121.6915000", "2021-08-14T10:15:00Z", "8 point(s), points"}}}},
        {"formats make examples/data/hike-track.csv -o hike.cal",
         {{"hike.cal", {"HeaderLines = 1", "time = 3", "date = 4", "name = 5"}}}},
        {"convert examples/data/hike-track.csv hike-auto.gpx --auto",
         {{"hike-auto.gpx",
           {"<wpt lat=\"45.3311000\" lon=\"-121.7113000\">",
            "<ele>1829.00</ele>",
            "<time>2021-08-14T10:15:00Z</time>",
            "<name>TP008</name>"}}}},
        // The library's lines go to standard error: a push prints nothing on standard output.
        {"device push --device emulated-handheld --create hike.pdb",
         {{"stderr", {"Copying to Device: hike\n"}}, {"vezuved device list --device emulated-handheld .", {"hike "}}}},
        {"device list --device emulated-handheld .", {{"", {"Tracks:\nhike "}}}},
        {"device push --update hike.pdb", {{"stderr", {"Database is up to date: hike\n"}}}},
        {"device pull --kind tracks backup",
         {{"backup/hike.rlt", {"45.3311000,-121.7113000,6000.6561680,081500 14082021,TP001"}}}},
        // The filters and the figures, on phone.gpx's two tracks.
        {"convert phone.gpx hike.pdb --track 2 --simplify 2",
         {{"vezuved show hike.pdb", {"46.2000000  7.2000000", "46.2200000  7.2200000", "2 point(s), track"}},
          {"stderr", {"vezuved: track 'Afternoon': --simplify 2: 2 of 3 points kept\n"}}}},
        {"convert phone.gpx thin.gpx --simplify 10m --keep-near a.gpx",
         {{"stderr", {"track 'Afternoon': --simplify 10m: 2 of 3 points kept\n"}}}},
        {"convert 'logs/*.gpx' --to pdb --out-dir db/ --fit pdb",
         {{"vezuved show db/monday.pdb", {"Hut   46.5476000  7.9854000", "1 point(s), points"}}}},
        {"convert phone.gpx day.gpx --merge --split gap=1h",
         {{"day.gpx", {"<name>Morning</name>\n    <trkseg>", "</trkseg>\n    <trkseg>"}},
          {"stderr", {"vezuved: --merge: 2 tracks into track 'Morning', 5 point(s)\n"}}}},
        {"convert phone.gpx day.pdb --merge --split day --tz +10:00",
         {{"vezuved show day-Morning-1.pdb", {"2 point(s), track"}},
          {"vezuved show day-Morning-2.pdb", {"3 point(s), track"}}}},
        {"convert phone.gpx morning.gpx --crop time=2021-08-14T05:00Z..2021-08-14T12:00Z",
         {{"", {"Wrote morning.gpx (track, 2 point(s))"}},
          {"stderr", {"track 'Afternoon': --crop time=2021-08-14T05:00Z..2021-08-14T12:00Z: none of its 3 points is inside; left out"}}}},
        {"convert phone.gpx valley.gpx --crop box=46.0,7.0,46.15,7.15", {{"", {"Wrote valley.gpx (track, 2 point(s))"}}}},
        {"show phone.gpx --simplify 2 --output html > preview.html",
         {{"preview.html", {"<th>distance</th>", "<th>track &apos;Afternoon&apos;</th>\n        <td>2</td>", "<svg"}}}},
        {"stats phone.gpx",
         {{"", {"track 'Morning'\n  points          2\n  segments        1\n  distance        1.354 km\n",
                "  ascent          20 m\n", "  moving time     0:20:00\n  average speed   8.1 km/h\n"}}}},
        {"stats 'logs/*.gpx' --output json", {{"", {"\"kind\": \"points\",\n    \"points\": 1,"}}}},
        {"stats phone.gpx --climb-threshold 5 --moving-speed 1", {{"", {"  ascent          10 m\n"}}}},
        {"stats phone.gpx --crop time=2021-08-14T12:00Z..", {{"", {"track 'Afternoon'\n  points          3\n"}}}},
    };
    return kChecks;
}

// The input files the examples name besides the example folder and hike.pdb.
void WriteExampleInputs(const std::string& folder) {
    const auto gpx = [](const std::string& body) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n" +
               body + "</gpx>\n";
    };
    const std::string hut =
        gpx("<wpt lat=\"46.5476\" lon=\"7.9854\"><ele>3454</ele><name>Hut</name></wpt>\n");
    const std::string col =
        gpx("<wpt lat=\"46.5521\" lon=\"7.9912\"><ele>3610</ele><name>Col</name></wpt>\n");
    // Two tracks: the first has two points, the second three.
    const std::string phone =
        gpx("<trk><name>Morning</name><trkseg>\n"
            "<trkpt lat=\"46.1\" lon=\"7.1\"><ele>1000</ele><time>2021-08-14T06:00:00Z</time></trkpt>\n"
            "<trkpt lat=\"46.11\" lon=\"7.11\"><ele>1010</ele><time>2021-08-14T06:10:00Z</time></trkpt>\n"
            "</trkseg></trk>\n<trk><name>Afternoon</name><trkseg>\n"
            "<trkpt lat=\"46.2\" lon=\"7.2\"><ele>2000</ele><time>2021-08-14T14:00:00Z</time></trkpt>\n"
            "<trkpt lat=\"46.21\" lon=\"7.21\"><ele>2010</ele><time>2021-08-14T14:10:00Z</time></trkpt>\n"
            "<trkpt lat=\"46.22\" lon=\"7.22\"><ele>2020</ele><time>2021-08-14T14:20:00Z</time></trkpt>\n"
            "</trkseg></trk>\n");
    WriteFile(folder + "/phone.gpx", phone);
    WriteFile(folder + "/a.gpx", hut);
    WriteFile(folder + "/b.gpx", col);
    WriteFile(folder + "/x.gpx", hut);
    std::filesystem::create_directory(folder + "/logs");
    WriteFile(folder + "/logs/monday.gpx", hut);
    WriteFile(folder + "/logs/tuesday.gpx", col);
}

// The lines of text that start with prefix + "vezuved " (without the
// program name) or prefix + "cat FILE | vezuved " (kept whole), without any
// "# comment" and with single spaces.
std::vector<std::string> ExampleLines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    const std::string start = prefix + "vezuved ";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, start.size(), start) == 0) {
            line = line.substr(start.size());
        } else if (line.compare(0, prefix.size() + 4, prefix + "cat ") == 0 &&
                   line.find(" | vezuved ") != std::string::npos) {
            line = line.substr(prefix.size());
        } else {
            continue;
        }
        if (const size_t comment = line.find(" #"); comment != std::string::npos) line.erase(comment);
        std::istringstream words(line);
        std::string normal, word;
        while (words >> word) normal += (normal.empty() ? "" : " ") + word;
        lines.push_back(normal);
    }
    return lines;
}

TEST_F(ToolExamples, EveryShownExampleRunsAndGivesTheRightData) {
    std::vector<std::string> examples;
    const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                         {"info", "--help"},
                                                         {"show", "--help"},
                                                         {"import", "--help"},
                                                         {"export", "--help"},
                                                         {"convert", "--help"},
                                                         {"stats", "--help"},
                                                         {"formats", "--help"},
                                                         {"device", "--help"},
                                                         {"device", "list", "--help"},
                                                         {"device", "push", "--help"},
                                                         {"device", "pull", "--help"}};
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
    for (const auto& check : Checks()) {
        EXPECT_NE(std::find(examples.begin(), examples.end(), check.first), examples.end())
            << "a check for an example no help text or README.md shows: " << check.first;
    }

    const std::string build =
        std::getenv("VEZUVED_BUILD_DIR") != nullptr ? std::getenv("VEZUVED_BUILD_DIR") : "";
    // The device examples run from a plain build: the tool finds the emulator itself.
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
        std::filesystem::copy(
            SourceFile("examples"), folder + "/examples", std::filesystem::copy_options::recursive);
        std::filesystem::create_directory(folder + "/emulated-handheld");
        const std::string environment = "VEZUVED_DEVICE=emulated-handheld ";
        const std::string shell = "cd '" + folder + "' && " + environment;
        ASSERT_EQ(
            RunTool(CommandWords("import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb"),
                    shell)
                .status,
            0);
        if (device) {
            ASSERT_EQ(
                RunTool(CommandWords("device push --device emulated-handheld --create hike.pdb"), shell).status, 0);
        }
        WriteExampleInputs(folder);
        ASSERT_EQ(RunTool(CommandWords("convert hike.pdb hike.gpx"), shell).status, 0);
        // What the example is checked by must be its own work.
        for (const Expected& expected : check->second) {
            if (!expected.source.empty() && expected.source != "stderr" && expected.source.rfind("vezuved ", 0) != 0) {
                std::filesystem::remove(folder + "/" + expected.source);
            }
        }
        // "cat FILE | vezuved ARGS" feeds FILE to standard input; "ARGS > FILE"
        // writes standard output to FILE.
        std::string arguments = example, input, redirected;
        if (const size_t pipe = example.find(" | vezuved "); pipe != std::string::npos) {
            input = example.substr(4, pipe - 4);
            arguments = example.substr(pipe + 11);
        }
        if (const size_t to = arguments.find(" > "); to != std::string::npos) {
            redirected = arguments.substr(to + 3);
            arguments.erase(to);
        }
        const std::string feed = input.empty() ? "" : "cat '" + input + "' | ";
        const ToolResult result = RunTool(CommandWords(arguments), "cd '" + folder + "' && " + feed + environment);
        ASSERT_EQ(result.status, 0) << result.err;
        if (!redirected.empty()) WriteFile(folder + "/" + redirected, result.out);
        for (const Expected& expected : check->second) {
            SCOPED_TRACE(expected.source);
            std::string text = result.out;
            if (device) {
                EXPECT_EQ(result.out.find("Copying"), std::string::npos) << result.out;
            }
            if (expected.source == "stderr") {
                text = result.err;
            } else if (expected.source.rfind("vezuved ", 0) == 0) {
                const ToolResult shown = RunTool(CommandWords(expected.source.substr(8)), shell);
                ASSERT_EQ(shown.status, 0) << shown.err;
                text = shown.out;
            } else if (!expected.source.empty()) {
                ASSERT_TRUE(FileExists(folder + "/" + expected.source)) << "not written";
                text = ReadFile(folder + "/" + expected.source);
            }
            for (const std::string& part : expected.texts) {
                EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
            }
        }
    }
}

}  // namespace
}  // namespace cli_test
