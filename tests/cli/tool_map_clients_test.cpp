// The tool's map documents as other programs take them: GeoJSON and KML by
// GDAL (one layer per set, of the right geometry type and size), a
// shapefile made from the GeoJSON, SVG and HTML parsed by xmllint and
// rendered by rsvg-convert with the lines and points visible. Each check is
// skipped when its program is not installed.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "output/geojson_output.h"
#include "output/kml_output.h"
#include "support/text_sink.h"
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolMapClients = ToolTest;

// data, definition, what GDAL reports for the set's GeoJSON, its feature
// count; in KML, the line's features and its named points' beside it.
struct Source {
    std::string data, definition, geometry, features;
    size_t kmlLines, kmlPoints;
};
const std::vector<Source> kSources = {{"summits.csv", "name-first.cal", "3D Point", "4", 0, 4},
                                      {"hike-track.csv", "track.cal", "3D Line String", "1", 1, 8},
                                      {"lake-loop-route.csv", "route.cal", "Line String", "1", 1, 5}};

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// What a shell command line printed on standard output.
std::string Capture(const std::string& command, const std::string& file) {
    if (RunShell(command + " > " + Quoted(file) + " 2>/dev/null") != 0) return "failed: " + command;
    return ReadFile(file);
}

std::string Convert(const Source& source, const std::string& output, const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments = {"convert", DataFile(source.data), output, "-d",
                                          FormatFile(source.definition)};
    arguments.insert(arguments.end(), more.begin(), more.end());
    const ToolResult result = RunTool(arguments);
    EXPECT_EQ(result.status, 0) << source.data << " " << output << "\n" << result.err;
    return output;
}

TEST_F(ToolMapClients, GdalReadsGeoJsonWithOneGeometryTypePerSet) {
    if (!HasProgram("ogrinfo") || !HasProgram("ogr2ogr")) GTEST_SKIP() << "GDAL's programs are not installed";
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.data);
        const std::string geojson = Convert(source, Out(source.data + ".geojson"));
        const std::string info = Capture("ogrinfo -al -so " + Quoted(geojson), Out("info.txt"));
        EXPECT_NE(info.find("Geometry: " + source.geometry + "\n"), std::string::npos) << info;
        EXPECT_NE(info.find("Feature Count: " + source.features + "\n"), std::string::npos) << info;
        const std::string shapefile = Out(source.data + ".shp");
        EXPECT_EQ(RunShell("ogr2ogr -f 'ESRI Shapefile' " + Quoted(shapefile) + " " + Quoted(geojson) + " 2>/dev/null"),
                  0);
        EXPECT_TRUE(FileExists(shapefile));
    }
    // --points: the track's points beside it, as a collection of Points.
    Convert(kSources[1], Out("hike.geojson"), {"--points", "--compact"});
    const std::string info = Capture("ogrinfo -al -so " + Quoted(Out("hike-points.geojson")), Out("info.txt"));
    EXPECT_NE(info.find("Geometry: 3D Point\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Feature Count: 8\n"), std::string::npos) << info;
    EXPECT_NE(ReadFile(Out("hike.geojson")).find("LineString"), std::string::npos);
}

// Each Folder is a layer: a line's feature first, then a Point feature for
// each of its named points (which names the line's point it belongs to).
// GDAL's LIBKML driver reads them; its plain KML driver passes over a
// gx:Track, the form of every timed line.
TEST_F(ToolMapClients, GdalReadsKmlWithALayerPerSet) {
    if (!HasProgram("ogrinfo")) GTEST_SKIP() << "ogrinfo is not installed";
    if (Capture("ogrinfo --formats", Out("formats.txt")).find("LIBKML") == std::string::npos) {
        GTEST_SKIP() << "GDAL has no LIBKML driver, and its KML driver does not read gx:Track";
    }
    for (const Source& source : kSources) {
        SCOPED_TRACE(source.data);
        const std::string kml = Convert(source, Out(source.data + ".kml"));
        const std::string features =
            Capture("ogrinfo --config GDAL_SKIP KML -al " + Quoted(kml), Out("features.txt"));
        std::vector<std::string> geometries;
        for (size_t at = features.find("\n  "); at != std::string::npos; at = features.find("\n  ", at + 1)) {
            const std::string rest = features.substr(at + 3, 10);
            if (rest.rfind("POINT", 0) == 0 || rest.rfind("LINESTRING", 0) == 0) geometries.push_back(rest);
        }
        ASSERT_EQ(geometries.size(), source.kmlLines + source.kmlPoints) << features;
        for (size_t i = 0; i < geometries.size(); ++i) {
            EXPECT_EQ(geometries[i].rfind(i < source.kmlLines ? "LINESTRING" : "POINT", 0), 0u) << geometries[i];
        }
        if (source.kmlLines > 0) EXPECT_NE(features.find("point (String) = 0\n"), std::string::npos) << features;
    }
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

vezuved_cli::Point Timed(double latitude, const char* time, bool segmentStart = false) {
    vezuved_cli::Point point = vezuved_cli::MakePoint("", "", "7.5", "", time, "", nullptr);
    point.latitude = latitude;
    if (latitude < 45.3) point.elevationMetres = 100 + latitude;  // some elevations only
    point.segmentStart = segmentStart;
    return point;
}

// A track of three segments, its middle point without a time, and a
// one-point untimed track, as our writers write them: gpsbabel reads every
// time back on its own point, GDAL every segment, xmllint finds them
// well-formed.
TEST_F(ToolMapClients, IndependentReadersTakeEveryTimeAndSegment) {
    vezuved_cli::PointSet track;
    track.title = "Ride";
    track.kind = VEZUVED_KIND_TRACK;
    track.points = {Timed(45.1, "080000.001 14082021"), Timed(45.2, "080001 14082021"), Timed(45.3, "", true),
                    Timed(45.4, "080003.500 14082021", true), Timed(45.5, "080004 14082021")};
    vezuved_cli::PointSet single;
    single.title = "Single";
    single.kind = VEZUVED_KIND_TRACK;
    single.points = {vezuved_cli::MakePoint("", "46", "8", "", "", "", nullptr)};
    std::string kml, geojson;
    {
        vezuved_cli::TextSink sink(kml);
        vezuved_cli::WriteKml(sink, {track, single});
        vezuved_cli::TextSink json(geojson);
        vezuved_cli::WriteGeoJson(json, {track, single}, false);
    }
    WriteFile(Out("ride.kml"), kml);
    WriteFile(Out("ride.geojson"), geojson);
    if (HasProgram("xmllint")) EXPECT_EQ(RunShell("xmllint --noout " + Quoted(Out("ride.kml"))), 0);
    if (HasProgram("gpsbabel")) {
        const std::string gpx = Capture("gpsbabel -i kml -f " + Quoted(Out("ride.kml")) + " -o gpx -F -", Out("g.txt"));
        // gpsbabel makes a track of each gx:Track; the times stay on their points.
        for (const char* part : {"<trkpt lat=\"45.100000000\" lon=\"7.500000000\">\n        <ele>145.100</ele>\n"
                                 "        <time>2021-08-14T08:00:00.001Z</time>",
                                 "<trkpt lat=\"45.300000000\" lon=\"7.500000000\"/>",
                                 "<trkpt lat=\"45.400000000\" lon=\"7.500000000\">\n        "
                                 "<time>2021-08-14T08:00:03.500Z</time>",
                                 "<trkpt lat=\"46.000000000\" lon=\"8.000000000\"/>"}) {
            EXPECT_NE(gpx.find(part), std::string::npos) << part << "\n" << gpx;
        }
        EXPECT_EQ(Count(gpx, "<time>2021-08-14"), 4u) << gpx;
        EXPECT_EQ(Count(gpx, "<trk>"), 4u) << gpx;
    } else {
        std::cout << "gpsbabel is not installed: its reading of our KML is not checked\n";
    }
    if (HasProgram("ogrinfo")) {
        const std::string kmlInfo = Capture("ogrinfo --config GDAL_SKIP KML -al -q " + Quoted(Out("ride.kml")), Out("k.txt"));
        EXPECT_NE(kmlInfo.find("MULTILINESTRING Z ((7.5 45.1 145.1,7.5 45.2 145.2),(7.5 45.3 0),(7.5 45.4 0,7.5 45.5 0))"),
                  std::string::npos)
            << kmlInfo;
        const std::string jsonInfo = Capture("ogrinfo -al -q " + Quoted(Out("ride.geojson")), Out("j.txt"));
        EXPECT_NE(jsonInfo.find("MULTILINESTRING Z ((7.5 45.1 145.1,7.5 45.2 145.2),(7.5 45.3 0),(7.5 45.4 0,7.5 45.5 0))"),
                  std::string::npos)
            << jsonInfo;
        EXPECT_NE(jsonInfo.find("coordTimes (String(JSON)) = [ [ \"2021-08-14T08:00:00.001Z\", \"2021-08-14T08:00:01Z\" ], "
                                "[ null ], [ \"2021-08-14T08:00:03.500Z\", \"2021-08-14T08:00:04Z\" ] ]"),
                  std::string::npos)
            << jsonInfo;
        EXPECT_NE(jsonInfo.find("kind (String) = track\n  POINT (8 46)"), std::string::npos) << jsonInfo;
    } else {
        std::cout << "ogrinfo is not installed: GDAL's reading of our KML and GeoJSON is not checked\n";
    }
}

// Counts the pixels of a PNG near each given colour; python3 decodes it
// (8-bit RGB or RGBA, not interlaced, as rsvg-convert writes).
const char kCountColours[] = R"(import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, idat = 8, b''
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR':
        width, height, depth, colour = struct.unpack('>IIBB', body[:10])
    elif kind == b'IDAT':
        idat += body
    pos += 12 + length
assert depth == 8 and colour in (2, 6), (depth, colour)
step = 4 if colour == 6 else 3
raw, stride = zlib.decompress(idat), width * step
rows, prior, at = [], bytearray(stride), 0
for y in range(height):
    kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
    at += 1 + stride
    for i in range(stride):
        left = line[i - step] if i >= step else 0
        up, corner = prior[i], prior[i - step] if i >= step else 0
        if kind == 1: line[i] = (line[i] + left) & 255
        elif kind == 2: line[i] = (line[i] + up) & 255
        elif kind == 3: line[i] = (line[i] + (left + up) // 2) & 255
        elif kind == 4:
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
    rows.append(line)
    prior = line
for wanted in sys.argv[2:]:
    r, g, b = (int(wanted[i:i + 2], 16) for i in (0, 2, 4))
    near = sum(1 for line in rows for x in range(0, stride, step)
               if abs(line[x] - r) + abs(line[x + 1] - g) + abs(line[x + 2] - b) < 60)
    print(wanted, near)
)";

TEST_F(ToolMapClients, PicturesParseAndShowTheirLinesAndPoints) {
    if (!HasProgram("xmllint")) GTEST_SKIP() << "xmllint is not installed";
    const bool render = HasProgram("rsvg-convert") && HasProgram("python3");
    WriteFile(Out("count.py"), kCountColours);
    struct Case {
        Source source;
        std::string colour;  // the set's colour in the picture
    };
    for (const Case& c : {Case{kSources[0], "2ca02c"}, Case{kSources[1], "d62728"}, Case{kSources[2], "1f77b4"}}) {
        SCOPED_TRACE(c.source.data);
        const std::string svg = Convert(c.source, Out(c.source.data + ".svg"));
        const std::string html = Convert(c.source, Out(c.source.data + ".html"));
        EXPECT_EQ(RunShell("xmllint --noout " + Quoted(svg) + " " + Quoted(html)), 0);
        if (!render) continue;
        // Rendered at half size: the pure-Python decoding is slow.
        ASSERT_EQ(RunShell("rsvg-convert -z 0.5 -o " + Quoted(Out("map.png")) + " " + Quoted(svg)), 0);
        const std::string counts =
            Capture("python3 " + Quoted(Out("count.py")) + " " + Quoted(Out("map.png")) + " " + c.colour, Out("n"));
        const size_t space = counts.find(' ');
        ASSERT_NE(space, std::string::npos) << counts;
        EXPECT_GT(std::stoul(counts.substr(space + 1)), 20u) << counts;  // more than a stray pixel or two
    }
    // The same drawing from show, on standard output.
    const ToolResult shown =
        RunTool({"show", DataFile("hike-track.csv"), "-d", FormatFile("track.cal"), "--output", "svg"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, ReadFile(Out("hike-track.csv.svg")));
    if (!render) GTEST_SKIP() << "rsvg-convert or python3 is not installed";
    // An empty drawing of the same size has none of the colours at all.
    WriteFile(Out("empty.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"800\"><rect "
                                "width=\"800\" height=\"800\" fill=\"#ffffff\"/></svg>");
    ASSERT_EQ(RunShell("rsvg-convert -z 0.5 -o " + Quoted(Out("empty.png")) + " " + Quoted(Out("empty.svg"))), 0);
    EXPECT_EQ(Capture("python3 " + Quoted(Out("count.py")) + " " + Quoted(Out("empty.png")) + " d62728 2ca02c",
                      Out("n")),
              "d62728 0\n2ca02c 0\n");
}

TEST_F(ToolMapClients, ShowPrintsEveryMapDocument) {
    const std::vector<std::string> track = {"show", DataFile("hike-track.csv"), "-d", FormatFile("track.cal")};
    struct Case {
        std::vector<std::string> more;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {{"--output", "kml"}, {"<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">", "<value>track</value>"}},
        {{"--output", "KML", "--points"}, {"<name>TP008</name>", "<when>2021-08-14T10:15:00Z</when>"}},
        {{"--output", "html"}, {"<!DOCTYPE html>", "<title>hike-track</title>", "max 2412 m", "</html>\n"}},
        {{"--output", "geojson", "--compact"}, {"[-121.7113000,45.3311000,1829.00]", "\"coordTimes\":["}},
        {{"--output", "geojson", "--points"}, {"\"name\": \"TP008\"", "\"ele\": 2412.00"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = track;
        arguments.insert(arguments.end(), c.more.begin(), c.more.end());
        const ToolResult result = RunTool(arguments);
        ASSERT_EQ(result.status, 0) << c.more[1] << result.err;
        for (const std::string& expected : c.expected)
            EXPECT_NE(result.out.find(expected), std::string::npos) << expected << "\n" << result.out;
        const std::string flag = c.more.size() > 2 ? c.more[2] : "";
        if (flag == "--points") {
            EXPECT_EQ(result.out.find("LineString"), std::string::npos);
        } else if (flag == "--compact") {
            EXPECT_EQ(result.out.find('\n'), result.out.size() - 1);  // one line
        }
    }
}

// Nothing to draw is a failure that says so (here: every line refused),
// and leaves no picture; one place alone is drawn.
TEST_F(ToolMapClients, PicturesOfNoPlaceFailClearly) {
    WriteFile(Out("nowhere.csv"), "95,10,100,,North of north,,\n91,-10,100,,Also,,\n");
    WriteFile(Out("one.csv"), "45.5,-122.25,100,,Alone,,\n");
    const std::string comma = FormatFile("comma.cal");
    const ToolResult shown = RunTool({"show", Out("nowhere.csv"), "-d", comma, "--output", "svg"});
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(shown.out, "");
    EXPECT_NE(shown.err.find("line(s) that hold a point were refused (above); nothing is written\n"),
              std::string::npos)
        << shown.err;
    const ToolResult converted = RunTool({"convert", Out("nowhere.csv"), Out("nowhere.html"), "-d", comma});
    EXPECT_EQ(converted.status, 1);
    EXPECT_FALSE(FileExists(Out("nowhere.html")));
    const ToolResult one = RunTool({"show", Out("one.csv"), "-d", comma, "--output", "svg"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("<circle cx=\"400.0\" cy=\"300.0\""), std::string::npos) << one.out;
    EXPECT_NE(one.out.find(">Alone</text>"), std::string::npos);
}

// A track far larger than the writers' 64 KiB buffer: the file is what
// standard output gets, every position and time in place, and it still
// validates or parses.
TEST_F(ToolMapClients, LargeTrackStreamsWhole) {
    std::string text = "latitude,longitude,elevation_m,time,date,name\n";
    constexpr int kPoints = 6000;
    for (int i = 0; i < kPoints; ++i) {
        const int seconds = 8 * 3600 + i;
        char line[96];
        std::snprintf(line, sizeof line, "%.6f,%.6f,%d,%02d%02d%02d,14082021,P%d\n", 45 + i * 1e-4,
                      -121 - i * 1e-4, 1000 + i % 700, seconds / 3600, seconds / 60 % 60, seconds % 60, i);
        text += line;
    }
    WriteFile(Out("big.csv"), text);
    const std::vector<std::string> read = {"-d", FormatFile("track.cal")};
    for (const char* extension : {"geojson", "gpx", "kml"}) {
        SCOPED_TRACE(extension);
        const std::string path = Out(std::string("big.") + extension);
        std::vector<std::string> convert = {"convert", Out("big.csv"), path};
        convert.insert(convert.end(), read.begin(), read.end());
        ASSERT_EQ(RunTool(convert).status, 0);
        std::vector<std::string> show = {"show", Out("big.csv"), "--output", extension};
        show.insert(show.end(), read.begin(), read.end());
        const ToolResult shown = RunTool(show);
        ASSERT_EQ(shown.status, 0) << shown.err;
        EXPECT_GT(shown.out.size(), 4u * 65536);
        EXPECT_EQ(ReadFile(path), shown.out);
    }
    if (HasProgram("xmllint")) {
        EXPECT_EQ(RunShell("xmllint --noout --schema " + Quoted(SourceFile("tests/cli/gpx-1.1.xsd")) + " " +
                           Quoted(Out("big.gpx")) + " 2>/dev/null"),
                  0);
    }
    if (HasProgram("python3")) {
        WriteFile(Out("check.py"),
                  "import json, sys\n"
                  "f = json.load(open(sys.argv[1]))['features']\n"
                  "assert len(f) == 1, len(f)\n"
                  "c, t = f[0]['geometry']['coordinates'], f[0]['properties']['coordTimes']\n"
                  "assert len(c) == len(t) == " + std::to_string(kPoints) + ", (len(c), len(t))\n"
                  "assert c[-1] == [-121.5999, 45.5999, 1399.0], c[-1]\n"  // metres come back exact
                  "assert t[-1] == '2021-08-14T09:39:59Z', t[-1]\n");
        EXPECT_EQ(RunShell("python3 " + Quoted(Out("check.py")) + " " + Quoted(Out("big.geojson"))), 0);
    }
}

}  // namespace
}  // namespace cli_test
