// The tool's documents as GDAL, gpsbabel, xmllint and rsvg-convert take them, if installed.
#include <cstdlib>
#include <sstream>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolMapClients = ToolTest;

// What a shell command printed.
std::string Capture(const std::string& command, const std::string& file) {
    if (RunShell(command + " > " + Quoted(file) + " 2>/dev/null") != 0) return "failed: " + command;
    return ReadFile(file);
}

// The example track of eight named points converted to the file.
std::string Hike(const std::string& output, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {
        "convert", DataFile("hike-track.csv"), output, "-d", FormatFile("track.cal")};
    arguments.insert(arguments.end(), more.begin(), more.end());
    Ok(arguments);
    return output;
}

// A set is a layer of one line (its points beside it with --points); in
// KML its named points stay in the line's arrays, no Point of their own.
TEST_F(ToolMapClients, GdalReadsALayerPerSet) {
    if (!HasProgram("ogrinfo")) GTEST_SKIP() << "GDAL's programs are not installed";
    Hike(Out("hike.geojson"), {"--points", "--compact"});
    for (const auto& [file, layer] : {std::pair("hike.geojson", "3D Line String\nFeature Count: 1"),
                                      std::pair("hike-points.geojson", "3D Point\nFeature Count: 8")}) {
        const std::string info = Capture("ogrinfo -al -so " + Quoted(Out(file)), Out("info.txt"));
        EXPECT_NE(info.find("Geometry: " + std::string(layer) + "\n"), std::string::npos) << info;
    }
    if (Capture("ogrinfo --formats", Out("formats.txt")).find("LIBKML") == std::string::npos)
        GTEST_SKIP() << "GDAL has no LIBKML driver, and its KML driver does not read gx:Track";
    const std::string features =
        Capture("ogrinfo --config GDAL_SKIP KML -al " + Quoted(Hike(Out("hike.kml"))), Out("features.txt"));
    EXPECT_EQ(Count(features, "\n  LINESTRING Z (-121.7113 45.3311 1829,"), 1u) << features;
    EXPECT_EQ(Count(features, "POINT"), 0u) << features;
}

// Segments with and without elevations or times, in our KML: well-formed,
// three numbers to every gx:coord; gpsbabel and GDAL take every elevation
// and time there is and invent no 0 m; our reader takes back the times of
// points without an elevation, from the line's arrays.
TEST_F(ToolMapClients, IndependentReadersTakeOurKmlWithoutInventedElevations) {
    WriteFile(Out("ride.gpx"), TestData("cli/data/clients/ride.gpx"));
    Ok({"convert", Out("ride.gpx"), Out("ride.kml")});
    const std::string kml = ReadFile(Out("ride.kml"));
    EXPECT_EQ(Count(kml, "<gx:coord>"), 2u) << kml;
    EXPECT_EQ(Count(kml, "<gx:coord>7.5 45.1 145.1</gx:coord>"), 1u) << kml;
    if (HasProgram("xmllint")) {
        EXPECT_EQ(RunShell("xmllint --noout " + Quoted(Out("ride.kml"))), 0);
    }
    Ok({"convert", Out("ride.kml"), Out("back.gpx")});
    const std::string back = ReadFile(Out("back.gpx"));
    EXPECT_EQ(Count(back, "<time>2021-08-14"), 4u) << back;
    EXPECT_EQ(Count(back, "<trkseg>"), 4u) << back;
    if (HasProgram("gpsbabel")) {
        const std::string gpx =
            Capture("gpsbabel -i kml -f " + Quoted(Out("ride.kml")) + " -o gpx -F -", Out("g.txt"));
        for (const char* part :
             {"<trkpt lat=\"45.100000000\" lon=\"7.500000000\">\n        <ele>145.100</ele>\n"
              "        <time>2021-08-14T08:00:00.001Z</time>",
              "<trkpt lat=\"45.300000000\" lon=\"7.500000000\"/>",
              "<trkpt lat=\"45.400000000\" lon=\"7.500000000\"/>",
              "<trkpt lat=\"46.000000000\" lon=\"8.000000000\"/>"}) {
            EXPECT_NE(gpx.find(part), std::string::npos) << part << "\n" << gpx;
        }
        EXPECT_EQ(std::make_tuple(Count(gpx, "<time>2021-08-14"), Count(gpx, "<ele>"), Count(gpx, "<wpt")),
                  std::make_tuple(2u, 2u, 0u))
            << gpx;
    }
    if (HasProgram("ogrinfo")) {
        const std::string features = Capture(
            "(ogrinfo --config GDAL_SKIP KML -al " + Quoted(Out("ride.kml")) + " 2>&1)", Out("o.txt"));
        EXPECT_EQ(std::make_pair(Count(features, "LINESTRING Z"), Count(features, "Warning")),
                  std::make_pair(size_t{1}, size_t{0}))
            << features;
    }
}

// The pixels near the colour ("d62728") in the picture at half size.
size_t CountColour(const std::string& svg, const std::string& folder, const std::string& colour) {
    const std::string png = folder + "/map.png", ppm = folder + "/map.ppm";
    if (RunShell("rsvg-convert -z 0.5 -o " + Quoted(png) + " " + Quoted(svg)) != 0 ||
        RunShell("gdal_translate -q -of PNM -b 1 -b 2 -b 3 " + Quoted(png) + " " + Quoted(ppm)) != 0) {
        return 0;
    }
    std::istringstream image(ReadFile(ppm));
    std::string magic;
    size_t width = 0, height = 0, most = 0, near = 0;
    image >> magic >> width >> height >> most;
    image.get();
    std::string pixels(width * height * 3, '\0');
    image.read(&pixels[0], static_cast<std::streamsize>(pixels.size()));
    for (size_t at = 0; at + 2 < pixels.size(); at += 3) {
        int distance = 0;
        for (int c = 0; c < 3; ++c)
            distance += std::abs(static_cast<unsigned char>(pixels[at + c]) -
                                 std::stoi(colour.substr(2 * c, 2), nullptr, 16));
        near += distance < 60;
    }
    return near;
}

TEST_F(ToolMapClients, PicturesParseAndShowTheirLinesAndPoints) {
    if (!HasProgram("xmllint")) GTEST_SKIP() << "xmllint is not installed";
    const std::string svg = Hike(Out("hike.svg")), html = Hike(Out("hike.html"));
    EXPECT_EQ(RunShell("xmllint --noout " + Quoted(svg) + " " + Quoted(html)), 0);
    // More than a stray pixel of the track's colour.
    if (HasProgram("rsvg-convert") && HasProgram("gdal_translate")) {
        EXPECT_GT(CountColour(svg, folder_, "d62728"), 20u);
    }
}

// Far beyond the writers' 64 KiB buffer, show prints what convert writes.
TEST_F(ToolMapClients, ShowPrintsWhatConvertWritesWhole) {
    WriteFile(Out("big.csv"), TrackText(6000));
    const std::string track = FormatFile("track.cal");
    // show's form and flag; convert's target, and the file it writes that show prints
    const std::vector<std::vector<std::string>> cases = {
        {"geojson", "", "big.geojson"},
        {"gpx", "", "big.gpx"},
        {"KML", "", "big.kml"},
        {"html", "", "big.html"},
        {"svg", "", "big.svg"},
        {"json", "", "big.json"},  // the listing, never record-line text
        {"geojson", "--compact", "compact.geojson"},
        {"geojson", "--points", "points.geojson", "points-points.geojson"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0] + " " + c[1]);
        std::vector<std::string> convert = {"convert", Out("big.csv"), Out(c[2]), "-d", track};
        std::vector<std::string> show = {"show", Out("big.csv"), "--output", c[0], "-d", track};
        if (!c[1].empty()) convert.push_back(c[1]), show.push_back(c[1]);
        Ok(convert);
        const std::string shown = Ok(show);
        EXPECT_GT(shown.size(), 2u * 65536);
        EXPECT_EQ(ReadFile(Out(c.back())), shown);
    }
    const ToolResult points = RunTool({"show", Out("big.csv"), "--output", "kml", "--points", "-d", track});
    EXPECT_NE(points.out.find("<name>TP005998</name>"), std::string::npos);
    EXPECT_EQ(points.out.find("gx:Track"), std::string::npos);
    ExpectValidGpx(Out("big.gpx"));
}

}  // namespace
}  // namespace cli_test
