// The tool reading GPX and GeoJSON into databases and documents (GPX valid by its schema).
#include <cstdio>
#include <filesystem>
#include <tuple>

#include "tool_runner.h"

namespace cli_test {
namespace {

// Two waypoints, a route and two tracks, the first in two segments.
std::string Trip() { return TestData("cli/data/trip.gpx"); }

using ToolGps = ToolTest;

// Each set's database, its records, and back to GPX.
TEST_F(ToolGps, EachSetOfAGpxBecomesADatabaseOfItsKindAndComesBack) {
    WriteFile(Out("trip.gpx"), Trip());
    const std::string fitted = "': text fitted to the record: 1 field(s) had characters replaced or dropped";
    EXPECT_EQ(
        Expected(0,
                 "vezuved: warning: '" + Out("out-waypoints.pdb") + fitted + " ('\xE6\x97\xA5')\n" +
                     "vezuved: warning: '" + Out("out-Morning.pdb") +
                     "': track 'Morning': 2 segments joined (--split-segments writes one file per segment)\n",
                 {"convert", Out("trip.gpx"), Out("out.pdb")}),
        "Wrote " + Out("out-waypoints.pdb") + " (points, 2 point(s))\nWrote " + Out("out-Loop.pdb") +
            " (route, 2 point(s))\nWrote " + Out("out-Morning.pdb") + " (track, 3 point(s))\nWrote " +
            Out("out-Evening ride.pdb") + " (track, 2 point(s))\n");
    EXPECT_FALSE(FileExists(Out("out.pdb")));
    EXPECT_EQ(RecordTexts(Out("out-waypoints.pdb")), TestData("cli/data/gps/trip-waypoint-records.txt"));
    EXPECT_EQ(RecordTexts(Out("out-Morning.pdb")), TestData("cli/data/gps/trip-morning-records.txt"));
    Ok({"convert", Out("out-Morning.pdb"), Out("back.gpx")});
    Ok({"convert", Out("out-waypoints.pdb"), Out("w.gpx")});
    const std::pair<const char*, const char*> expected[] = {
        {"back.gpx", "<trk>\n    <name>out-Morning</name>"},
        {"back.gpx",
         "<trkpt lat=\"46.51\" lon=\"8.26\">\n        <ele>1010.5</ele>\n"
         "        <time>2021-08-14T06:00:05Z</time>"},
        {"w.gpx",
         "<wpt lat=\"45.1234567\" lon=\"-122.7654321\">\n    <ele>304.8</ele>\n"
         "    <time>2021-08-14T08:15:00.250Z</time>\n    <name>Caf\xC3\xA9 \xE2\x82\xAC</name>"},
        {"w.gpx", "<desc>Coffee</desc>\n    <sym>Flag</sym>"},
    };
    for (const auto& [file, text] : expected)
        EXPECT_NE(ReadFile(Out(file)).find(text), std::string::npos) << text;
    // A map output takes every set in one document.
    const std::string report = Ok({"convert", Out("trip.gpx"), Out("all.gpx")});
    EXPECT_EQ(report.rfind("Wrote " + Out("all.gpx") + " (points 'waypoints', ", 0), 0u) << report;
    EXPECT_EQ(Count(report, "\n"), 1u) << report;  // one file, one line
    const std::string all = ReadFile(Out("all.gpx"));
    EXPECT_NE(all.find("<name>Evening ride</name>"), std::string::npos) << all;
    EXPECT_NE(all.find("<rte>"), std::string::npos) << all;
    for (const char* file : {"back.gpx", "w.gpx", "all.gpx"}) ExpectValidGpx(Out(file));
}

TEST_F(ToolGps, TrackAndWhatChooseTheSets) {
    WriteFile(Out("trip.gpx"), Trip());
    const std::string out = Out("one.pdb");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--track", "2"}, "track, 3"},  // after the route
        {{"--track", "Evening ride"}, "track, 2"},
        {{"--what", "routes"}, "route, 2"},
        {{"--what", "tracks", "--track", "1"}, "track, 3"},
    };
    for (const auto& [options, report] : cases) {
        std::vector<std::string> arguments = {"convert", Out("trip.gpx"), out};
        arguments.insert(arguments.end(), options.begin(), options.end());
        EXPECT_EQ(Ok(arguments), "Wrote " + out + " (" + report + " point(s))\n");
    }
    // A document of the file's first set alone holds that set alone.
    Ok({"convert", Out("trip.gpx"), Out("first.gpx"), "--what", "waypoints"});
    const std::string first = ReadFile(Out("first.gpx"));
    EXPECT_EQ(std::make_tuple(Count(first, "<wpt"), Count(first, "<rte>"), Count(first, "<trk>")),
              std::make_tuple(2u, 0u, 0u));
    WriteFile(Out("points.gpx"), "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    Fails(1, {"convert", Out("points.gpx"), out, "--what", "tracks"}, "holds no tracks");
}

TEST_F(ToolGps, SeveralInputsOfOneKindAreMerged) {
    WriteFile(
        Out("a.gpx"),
        "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"3\" lon=\"4\"/></trkseg></trk></gpx>");
    WriteFile(Out("b.gpx"), "<gpx><trk><trkseg><trkpt lat=\"5\" lon=\"6\"/></trkseg></trk></gpx>");
    EXPECT_EQ(Ok({"convert", Out("a.gpx"), Out("b.gpx"), "-o", Out("all.pdb")}),
              "Wrote " + Out("all.pdb") + " (track, 3 point(s))\n");
    EXPECT_EQ(RecordTexts(Out("all.pdb")),
              "1.0000000\t2.0000000\t\t\t\t\t\r\n3.0000000\t4.0000000\t\t\t\t\t\r\n"
              "5.0000000\t6.0000000\t\t\t\t\t\r\n");
    // Points and a track are no one database.
    WriteFile(Out("trip.gpx"), Trip());
    const std::string kinds = "points 'waypoints', route 'Loop', track 'Morning', track 'Evening ride'";
    Fails(1,
          {"convert", Out("a.gpx"), Out("trip.gpx"), "-o", Out("mixed.pdb")},
          kinds + " into one file: they are of different kinds; choose one kind with --what");
    EXPECT_FALSE(FileExists(Out("mixed.pdb")));
    EXPECT_EQ(Ok({"convert", Out("a.gpx"), Out("trip.gpx"), "-o", Out("tracks.pdb"), "--what", "tracks"}),
              "Wrote " + Out("tracks.pdb") + " (track, 7 point(s))\n");
}

TEST_F(ToolGps, WildcardsAreExpandedByTheTool) {
    std::filesystem::create_directories(Out("logs"));
    WriteFile(Out("logs/one.gpx"), "<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>");
    WriteFile(Out("logs/two.gpx"), "<gpx><wpt lat=\"1\" lon=\"2\"/><wpt lat=\"3\" lon=\"4\"/></gpx>");
    EXPECT_EQ(Ok({"convert", Out("logs/t?o.gpx"), "--to", "gpx", "--out-dir", Out("maps")}),
              "Wrote " + Out("maps") + "/two.gpx (points, 2 point(s))\n");
    ExpectValidGpx(Out("maps/two.gpx"));
    // Text takes its definition's extension.
    const std::string tab = FormatFile("tab.cal"), t = Out("t");
    EXPECT_EQ(
        Ok({"convert", Out("logs/one.gpx"), "--to", "text", "--output-definition", tab, "--out-dir", t}),
        "Wrote " + t + "/one.tsv (track, 1 point(s))\n");
    EXPECT_EQ(ReadFile(Out("t/one.tsv")), "1.0000000\t2.0000000\t\t\t\t\t\r\n");
}

TEST_F(ToolGps, StandardInputAndOutput) {
    WriteFile(Out("trip.gpx"), Trip());
    const std::string trip = "cat '" + Out("trip.gpx") + "' | ";
    EXPECT_EQ(Ok({"convert", "-", Out("in.pdb"), "--from", "gpx", "--track", "Morning"}, trip),
              "Wrote " + Out("in.pdb") + " (track, 3 point(s))\n");
    // stats reads standard input too, told what it holds (a build without GeographicLib refuses both alike).
    const ToolResult fromInput = RunTool({"stats", "-", "--from", "gpx"}, trip),
                     fromFile = RunTool({"stats", Out("trip.gpx")});
    EXPECT_EQ(std::tie(fromInput.status, fromInput.out, fromInput.err),
              std::tie(fromFile.status, fromFile.out, fromFile.err));
    // A database to standard output, read back from standard input.
    EXPECT_EQ(Ok({"show", "-", "--from", "pdb", "--output", "csv"},
                 "'" + ToolPath() + "' convert '" + Out("in.pdb") + "' - --to pdb | "),
              TestData("cli/data/gps/morning.csv"));
    // The report stays off the document.
    WriteFile(Out("stdout.gpx"),
              Expected(0, "Wrote - (track, 3 point(s))\n", {"convert", Out("in.pdb"), "-", "--to", "gpx"}));
    ExpectValidGpx(Out("stdout.gpx"));
    Fails(1,
          {"convert", "-", Out("x.pdb"), "--from", "gpx"},
          "cannot read 'standard input': line 1: no element found",
          "printf '<gpx>' | ");
#if defined(__linux__)
    // Its copy goes into a folder of the run's own: one that cannot be made is said with its cause.
    Expected(1,
             "vezuved: cannot make a temporary folder in '/proc': No such file or directory\n",
             {"convert", "-", Out("x.pdb"), "--from", "gpx"},
             trip + "TMPDIR=/proc ");
#endif
}

TEST_F(ToolGps, GeoJsonIn) {
    WriteFile(Out("a.json"), R"({"type": "LineString", "coordinates": [[8.25, 46.5, 1000], [8.26, 46.51]]})");
    EXPECT_EQ(Ok({"import", Out("a.json")}), "Wrote " + Out("a.pdb") + " (track, 2 point(s))\n");
}

// A file that cannot be read, or holds nothing, writes nothing.
TEST_F(ToolGps, FilesItCannotReadWriteNothing) {
    WriteFile(Out("bad.gpx"), "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</gpx>");
    WriteFile(Out("empty.gpx"), "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"/>");
    WriteFile(Out("good.gpx"), "<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    for (const char* output : {"out.pdb", "out.gpx"}) {
        Fails(1, {"convert", Out("bad.gpx"), Out(output)}, "cannot read '" + Out("bad.gpx") + "': line 3:");
        Fails(1,
              {"convert", Out("empty.gpx"), Out(output)},
              "cannot convert '" + Out("empty.gpx") + "': it holds no points, routes or tracks");
        EXPECT_FALSE(FileExists(Out(output)));
    }
    // With a definition any name will do.
    Ok({"convert", Out("good.gpx"), Out("x.xyz"), "--output-definition", FormatFile("tab.cal")});
    EXPECT_EQ(ReadFile(Out("x.xyz")), "1.0000000\t2.0000000\t\t\t\t\t\r\n");
}

std::string TrackGpx(size_t points) {
    std::string text =
        "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><name>Long</name><trkseg>\n";
    static const char kPoint[] =
        "<trkpt lat=\"%.7f\" lon=\"%.7f\"><ele>100.5</ele><time>2021-08-14T06:00:00Z</time></trkpt>\n";
    char line[512];
    for (size_t i = 0; i < points; ++i)
        text.append(line, std::snprintf(line, sizeof line, kPoint, 45 + i * 1e-6, -122 + i * 1e-6));
    return text + "</trkseg></trk></gpx>\n";
}

TEST_F(ToolGps, ADatabaseHoldsAtMost65535Points) {
    // No file is written, not even the waypoint's before the track.
    std::string gpx = TrackGpx(65536);
    gpx.insert(gpx.find("<trk>"), "<wpt lat=\"1\" lon=\"2\"/>");
    WriteFile(Out("long.gpx"), gpx);
    EXPECT_EQ(Expected(1,
                       "vezuved: cannot write the database '" + Out("long-Long.pdb") +
                           "': 'Long' has 65536 points and a database holds at most 65535\n",
                       {"convert", Out("long.gpx"), Out("long.pdb")}),
              "");
    EXPECT_EQ(FolderNames(folder_), std::vector<std::string>{"long.gpx"});
}

TEST_F(ToolGps, A100000PointTrackIsReadInBoundedMemory) {
    if (kSanitizedBuild) GTEST_SKIP() << "a sanitizer's shadow memory is no measure of the tool's own";
    // Bare points, as small as a GPX track gets.
    WriteFile(Out("long.gpx"), TrackGpx(100000));
    const long input = static_cast<long>(std::filesystem::file_size(Out("long.gpx")));
    const MeasuredRun run = RunMeasured({"convert", Out("long.gpx"), Out("long-copy.gpx")});
    EXPECT_EQ(run.status, 0);
    if (run.peakBytes == 0) GTEST_SKIP() << "no measure of the tool's memory here";
    EXPECT_LT(run.peakBytes, 3 * input)
        << "peak " << run.peakBytes << " bytes for " << input << " bytes of input";
    const std::string copy = ReadFile(Out("long-copy.gpx"));
    EXPECT_NE(copy.find("<trkpt lat=\"45.099999\" lon=\"-121.900001\">"), std::string::npos);
    EXPECT_EQ(Count(copy, "<trkpt "), 100000u);
}

}  // namespace
}  // namespace cli_test
