// What the GPX, KML and GeoJSON readers keep of real-world files: segments,
// per-point times and texts, one-point tracks, numbers in every spelling
// xsd:double allows, KMZ; and how every reader takes a bad point: reported
// with where it is and its value, left out, or (strict) failing the read.
#include <gtest/gtest.h>

#include <string>

#include "input/xml_stream.h"
#include "map_reading.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

struct ReadCase {
    const char* file;      // in tests/cli/data/readers; its extension chooses the reader
    const char* expected;  // Summary, or the failure's message
    const char* warning;   // what standard error must hold ("" nothing)
};

class MapReaders : public ::testing::TestWithParam<ReadCase> {
protected:
    void SetUp() override {
        if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    }
    // The data file read as "x": the summary or the failure's message, and
    // what standard error got.
    static std::pair<std::string, std::string> Read(const std::string& name, bool strict = false) {
        const Reading reading = ReadMap(cli_test::SourceFile("tests/cli/data/readers/" + name), "x", strict);
        return {reading.read ? Summary(reading.sets) : reading.failure, reading.err};
    }
};

TEST_P(MapReaders, ReadAsExpected) {
    const ReadCase& c = GetParam();
    const auto [result, warning] = Read(c.file);
    // "..." ends the part of a message worded by the XML or JSON library.
    const std::string expected = c.expected;
    const size_t open = expected.size() > 3 && expected.substr(expected.size() - 3) == "..."
                            ? expected.size() - 3
                            : std::string::npos;
    EXPECT_EQ(result.substr(0, open), expected.substr(0, open)) << c.file;
    EXPECT_EQ(warning, c.warning) << c.file;
}

const ReadCase kSegments[] = {
    // An empty segment begins none; a track's first segment begins none.
    {"seg.gpx", "T 'T': 2,1 4,3 /6,5", ""},
    {"seg.geojson", "T 'T': 1,2@1000 3,4 /5,6^7@3000", ""},
    // togeojson's gx:MultiTrack: a collection of lines, their times one list each.
    {"collection.geojson", "T 'C': 1,2@1000 /3,4@2000", ""},
    {"multitrack.kml", "T 'M': 1,2^3@1000 /4,5@2000 6,7@3000", ""},
    {"multigeometry.kml", "R 'L': 1,2 3,4 /5,6", ""},
};
INSTANTIATE_TEST_SUITE_P(Segments, MapReaders, ::testing::ValuesIn(kSegments));

const ReadCase kTracksAndTexts[] = {
    // An empty <gx:coord/> loses its point and its time, not the next one's.
    {"empty-coord.kml",
     "T 'G': 1,2@1000 5,6@3000",
     "vezuved: x:3: track 'G' point 2: its <gx:coord> is empty; the point is left out\n"},
    {"no-when.kml", "T 'track 1': 1,2^3 4,5^6", ""},
    // One point stays a track: a gx:Track of one, a Point with its kind.
    {"one.kml", "T 'A': 1,2@1000; R 'B': 3,4", ""},
    {"one.geojson", "W: 3,4@2000 'W'; T 'A': 1,2@1000 'P'", ""},
    // Route point texts: GeoJSON per-position lists, KML Placemarks naming
    // a point of the line before them; a waypoint's symbol.
    {"texts.geojson", "R 'R': 1,2@1000 'A'#Flag 3,4 \"d\"", ""},
    {"texts.kml", "W: 5,6 'W'#Pin; R 'R': 1,2 3,4@1000 'B' \"d\"#Flag", ""},
    // Polygons are counted and left out; their rings join no line.
    {"polygons.kml",
     "T 'P': 1,2",
     "vezuved: 'x': 2 polygon geometry(ies) hold no waypoints, routes or tracks and are left out\n"},
    {"polygons.geojson",
     "T 'track 1': 1,2",
     "vezuved: 'x': 1 polygon geometry(ies) hold no waypoints, routes or tracks and are left out\n"},
};
INSTANTIATE_TEST_SUITE_P(TracksAndTexts, MapReaders, ::testing::ValuesIn(kTracksAndTexts));

// Whole documents; a file that is no document of its kind, or too deep,
// fails with the line and the cause.
const ReadCase kDocuments[] = {
    // Nothing is read from extensions or other namespaces.
    {"a.gpx",
     "W: -122.25,45.5^100.5@1628928900250 'Caf\xC3\xA9' \"Gate & more\"#Flag; R 'Loop': 2,1 'R1' 4,3; "
     "T 'Day': 6,5 /8,7^-3; T 'track 2': 10,9",
     ""},
    // GPX 1.0 and no namespace: the comment where there is no description.
    {"b.gpx", "W: 2,1 \"comment\" 2,1 \"description\"", ""},
    {"c.gpx", "W: 2,1 \"comment\" 2,1 \"description\"", ""},
    {"mismatched.gpx", "cannot read 'x': line 3: mismatched tag", ""},
    {"empty.gpx", "cannot read 'x': line 1: no element found", ""},
    {"kml-root.gpx", "cannot read 'x': it is no GPX file (its root element is <kml>, not <gpx>)", ""},
    {"no-points.gpx",
     "cannot convert 'x': it holds no points, routes or tracks",
     "vezuved: 'x': track 'T' has no points and is left out\n"},
    // Entities that would grow to 10^9 bytes.
    {"entity-expansion.gpx", "cannot read 'x': line 1: ...", ""},
    // Placemarks in folders, a line marked as a route, a MultiGeometry, a gx:Track.
    {"a.kml",
     "W: -121.6959,45.3735^3429@1628928000000 'Summit' \"Top\" 5,6 'Walk'; R 'Loop': 1,2^3 4,5 6,7; "
     "T 'Walk': 1,2 3,4; T 'Log': 8.1,46.5^1000@1628928000000 8.2,46.6@1628928005500",
     ""},
    {"gpx-root.kml", "cannot read 'x': it is no KML file (its root element is <gpx>, not <kml>)", ""},
    {"a.geojson",
     "W: 8.0053,46.5776^3967@1628928900000 'Eiger' \"North face\"#Summit 8.1,46.6^2500 'Hut' \"Beds\"#Hut "
     "0,1 "
     "2,3; R 'R': 1,2^3@1609459200000 4,5; T 'T': 1,2@1609459200000 3,4@1609459201000 /5,6@1609459202000",
     ""},
    {"bare.json", "T 'track 1': 1,2 3,4", ""},
    {"syntax.json", "cannot read 'x': line 2, column 18 (byte 47): syntax error ...", ""},
    {"empty.json", "cannot read 'x': line 1, column 1 (byte 0): syntax error ...", ""},
    {"trailing.json", "cannot read 'x': line 1, column 42 (byte 41): syntax error ...", ""},
    {"array.json", "cannot read 'x': its top is no JSON object", ""},
    {"topology.json", "cannot read 'x': it is no GeoJSON (its type is 'Topology')", ""},
    {"no-features.json", "cannot convert 'x': it holds no points, routes or tracks", ""},
    // Hostile nesting fails with a sentence, not by running out of stack; a
    // deep value the reader does not use is never printed whole.
    {"deep.json", "cannot read 'x': its JSON nests deeper than 512 lists and objects", ""},
    {"deep-name.json", "W: 1,2", ""},
    {"nested.json", "cannot read 'x': its GeometryCollections nest deeper than 64", ""},
};
INSTANTIATE_TEST_SUITE_P(Documents, MapReaders, ::testing::ValuesIn(kDocuments));

// Numbers are xsd:doubles: sign, leading zeros, exponent; a KML tuple may
// have white space after its commas.
const ReadCase kNumbers[] = {
    {"signed.kml", "T 'track 1': 8.5155383,48.2662716^-10 7.5,45.5 7.5,45.5^100", ""},
    {"signed.gpx", "W: -12.5,45.5^1000", ""},
    {"pole.gpx", "W: 180,-90", ""},
    {"numbers.geojson", "W: -12.5,45.5^100", ""},
};
INSTANTIATE_TEST_SUITE_P(Numbers, MapReaders, ::testing::ValuesIn(kNumbers));

// Each bad value: the point left out with where it is and the value; the
// others kept. The same file read strictly fails with the first report.
const ReadCase kBadPoints[] = {
    {"nan.gpx",
     "T 'T': 2,1",
     "vezuved: x:2: track 'T' point 1: latitude 'NaN' is no number; the point is left out\n"},
    {"inf.gpx",
     "W: 2,1",
     "vezuved: x:2: waypoint 1 'A': longitude 'Infinity' is no number; the point is left out\n"},
    {"overflow.gpx",
     "W: 2,1",
     "vezuved: x:1: waypoint 1: latitude '1e400' is no number; the point is left out\n"},
    {"comma.gpx",
     "W: 2,1",
     "vezuved: x:1: waypoint 1: latitude '45,8' is no number; the point is left out\n"},
    {"missing.gpx", "W: 2,1", "vezuved: x:1: waypoint 1: it has no latitude; the point is left out\n"},
    {"range.gpx",
     "W: 2,1",
     "vezuved: x:1: waypoint 1: latitude '91' is outside -90..90; the point is left out\n"
     "vezuved: x:1: waypoint 2: longitude '-200' is outside -180..180; the point is left out\n"},
    {"ele.gpx",
     "W: 2,1",
     "vezuved: x:1: waypoint 1: elevation '1e300' is outside -100000..100000 m; the point is left out\n"},
    {"time.gpx",
     "W: 2,1",
     "vezuved: x:1: waypoint 1: time 'yesterday' is no ISO 8601 time; the point is left out\n"},
    {"nan.kml",
     "T 'L': 1,2 4,5",
     "vezuved: x:2: track 'L' point 2: longitude 'nan' is no number; the point is left out\n"
     "vezuved: x:2: track 'L' point 3: '3' is no position (longitude,latitude[,altitude]); the point is left "
     "out\n"
     "vezuved: x:2: track 'L' point 4: '5,6,7,8' is no position (longitude,latitude[,altitude]); the point "
     "is left out\n"
     "vezuved: x:2: track 'L' point 5: latitude '91' is outside -90..90; the point is left out\n"},
    {"when.kml",
     "T 'track 1': 3,4@1000",
     "vezuved: x:1: track 'track 1' point 1: time 'never' is no ISO 8601 time; the point is left out\n"},
    {"bad.geojson",
     "T 'T': 1,2",
     "vezuved: x: track 'T' point 1: latitude 91 is outside -90..90; the point is left out\n"
     "vezuved: x: track 'T' point 2: longitude 'a' is no number; the point is left out\n"
     "vezuved: x: track 'T' point 3: its position is a list of 1 number(s), not [longitude, latitude]; the "
     "point is left out\n"
     "vezuved: x: track 'T' point 4: its position is '7', not [longitude, latitude]; the point is left out\n"
     "vezuved: x: track 'T' point 6: elevation 1e+300 is outside -100000..100000 m; the point is left out\n"},
    {"semicolon.kml",
     "W: 3,4",
     "vezuved: x:1: waypoint 1: '1;2' is no position (longitude,latitude[,altitude]); the point is left "
     "out\n"},
    {"huge.geojson",
     "cannot read 'x': feature 2 'Far': the number '1e400' is beyond what a double holds",
     ""},
};
INSTANTIATE_TEST_SUITE_P(BadPoints, MapReaders, ::testing::ValuesIn(kBadPoints));

TEST_F(MapReaders, StrictFailsWithTheFirstReport) {
    for (const ReadCase& c : kBadPoints) {
        const std::string warning = c.warning;
        if (warning.empty()) continue;
        const std::string first = warning.substr(9, warning.find("; the point is left out") - 9);
        EXPECT_EQ(Read(c.file, true), std::make_pair(first, std::string())) << c.file;
    }
}

class ToolBadPoints : public cli_test::ToolTest {};

// The tool passes --strict to the readers: a report and success, or the
// same report as the failure (exit 1) and no output.
TEST_F(ToolBadPoints, ReportedOrWithStrictFailing) {
    if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    const std::string input = Out("bad.gpx");
    cli_test::WriteFile(input, "<gpx>\n<wpt lat=\"91\" lon=\"1\"/>\n<wpt lat=\"1\" lon=\"2\"/></gpx>");
    const std::string report = "vezuved: " + input + ":2: waypoint 1: latitude '91' is outside -90..90";
    const cli_test::ToolResult lenient = cli_test::RunTool({"convert", input, Out("lenient.pdb")});
    EXPECT_EQ(lenient.status, 0);
    EXPECT_EQ(lenient.err, report + "; the point is left out\n");
    const cli_test::ToolResult strict = cli_test::RunTool({"convert", input, Out("strict.pdb"), "--strict"});
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.err, report + "\n");
    EXPECT_FALSE(cli_test::FileExists(Out("strict.pdb")));
}

// A KMZ gives its doc.kml, else its first .kml; an archive that would
// unpack beyond 1 GiB, or is no zip, fails with a sentence.
#if defined(VEZUVED_HAVE_LIBZIP)
const ReadCase kKmz[] = {
    {"kmz-doc.kmz", "W: 1,2 'A'", ""},
    {"kmz-first.kmz", "W: 3,4 'B'", ""},
    {"kmz-none.kmz", "cannot read 'x': the KMZ holds no .kml file", ""},
    {"kmz-cut-kml.kmz", "cannot read 'x': line 1: no element found", ""},
    {"kmz-huge.kmz",
     "cannot read 'x': its 'doc.kml' would unpack to 3221225472 bytes, more than the 1073741824 a KMZ may "
     "hold",
     ""},
    {"kmz-truncated.kmz", "cannot read 'x': it is no readable KMZ (zip archive): Not a zip archive", ""},
};
#else
const ReadCase kKmz[] = {{"kmz-doc.kmz", "cannot read 'x': reading KMZ needs a build with libzip", ""}};
#endif
INSTANTIATE_TEST_SUITE_P(Kmz, MapReaders, ::testing::ValuesIn(kKmz));

}  // namespace
}  // namespace vezuved_cli
