// The readers of GPX, KML and GeoJSON on small files, and the text helpers
// they and the record writer build on: ISO times, record times, UTF-8 to
// Windows-1252, wildcards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/input_paths.h"
#include "input/xml_stream.h"
#include "map_reading.h"
#include "tool_runner.h"
#include "values/encoding.h"
#include "values/iso_time.h"
#include "values/values.h"

namespace vezuved_cli {
namespace {

TEST(GpsText, ParseIsoTimeTakesZonesAndFractions) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"2021-08-14T08:15:00Z", 1628928900000},
        {"2021-08-14T10:15:00+02:00", 1628928900000},
        {"2021-08-14T03:45:00-0430", 1628928900000},
        {"2021-08-14T08:15:00.25Z", 1628928900250},
        {"2021-08-14T08:15:00,123456Z", 1628928900123},  // beyond milliseconds: cut
        {" 2021-08-14T08:15:00 ", 1628928900000},        // no zone: UTC
        {"2021-08-14", 1628899200000},
        {"1969-12-31T23:59:59.500Z", -500},
        {"2004-02-29T00:00:00Z", 1078012800000},
        {"2003-02-29T00:00:00Z", std::nullopt},
        {"2000-02-29T00:00:00Z", 951782400000},  // divisible by 400: a leap year
        {"1900-02-29T00:00:00Z", std::nullopt},
        {"2021-13-01T00:00:00Z", std::nullopt},
        {"2021-08-14T25:00:00Z", std::nullopt},
        {"2021-08-14T08:15:00+2", std::nullopt},
        {"2021-08-14T08:15:00Zjunk", std::nullopt},
        {"14/08/2021", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseIsoTime(text), expected) << text;
}

TEST(GpsText, RecordTimeTextRoundTrips) {
    const std::pair<int64_t, const char*> cases[] = {{1628928900000, "081500 14082021"},
                                                     {1628928900250, "081500.250 14082021"},
                                                     {0, "000000 01011970"},
                                                     {-500, "235959.500 31121969"}};
    for (const auto& [millis, text] : cases) {
        EXPECT_EQ(FormatRecordTime(millis), text);
        EXPECT_EQ(RecordTime(text), millis) << text;
    }
}

TEST(GpsText, Wildcards) {
    EXPECT_TRUE(MatchesWildcard("*.gpx", "a.gpx"));
    EXPECT_TRUE(MatchesWildcard("*.gpx", ".gpx"));
    EXPECT_TRUE(MatchesWildcard("t?ip*", "trip-2.gpx"));
    EXPECT_TRUE(MatchesWildcard("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(MatchesWildcard("*.gpx", "a.gpx.bak"));
    EXPECT_FALSE(MatchesWildcard("?.gpx", "ab.gpx"));
}

// Small files through each reader: the sets as one line (see Summary), or
// the failure's message (found within it).
struct ReaderCase {
    const char* file;  // its extension chooses the reader
    std::string bytes;
    const char* expected;
    bool strict = false;
};

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += R"({"type": "GeometryCollection", "geometries": [)";
    text += R"({"type": "Point", "coordinates": [1, 2]})";
    for (int i = 0; i < depth; ++i) text += "]}";
    return text;
}

TEST(GpsReaders, ReadTheirSetsOrFailWithTheLineAndCause) {
    if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
    const ReaderCase cases[] = {
        // Segments begin with "/"; nothing is read from extensions or other namespaces.
        {"a.gpx",
         TestData("cli/data/readers/a.gpx"),
         "W: -122.25,45.5^100.5@1628928900250 'Caf\xC3\xA9' \"Gate & more\"#Flag; R 'Loop': 2,1 'R1' 4,3; "
         "T 'Day': 6,5 /8,7^-3; T 'track 2': 10,9"},
        // GPX 1.0 and no namespace: the comment where there is no description.
        {"b.gpx", TestData("cli/data/readers/b.gpx"), "W: 2,1 \"comment\" 2,1 \"description\""},
        {"c.gpx", TestData("cli/data/readers/c.gpx"), "W: 2,1 \"comment\" 2,1 \"description\""},
        {"bad.gpx", "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</gpx>", "cannot read 'x': line 3: mismatched tag"},
        {"bad.gpx", "", "cannot read 'x': line 1: no element found"},
        {"bad.gpx", "<kml/>", "it is no GPX file (its root element is <kml>, not <gpx>)"},
        {"bad.gpx",
         "<gpx version=\"1.1\"><trk><name>T</name></trk></gpx>",
         "holds no points, routes or tracks"},
        // Entities that would grow to 10^9 bytes.
        {"bad.gpx", TestData("cli/data/readers/entity-expansion.gpx"), "cannot read 'x': line 1:"},
        // Placemarks in folders, a line marked as a route, a MultiGeometry, a gx:Track.
        {"a.kml",
         TestData("cli/data/readers/a.kml"),
         "W: -121.6959,45.3735^3429@1628928000000 'Summit' \"Top\" 5,6 'Walk'; R 'Loop': 1,2^3 4,5 6,7; "
         "T 'Walk': 1,2 3,4; T 'Log': 8.1,46.5^1000@1628928000000 8.2,46.6@1628928005500"},
        {"bad.kml",
         "<kml><Placemark><Point><coordinates>1;2</coordinates></Point></Placemark></kml>",
         "x:1: waypoint 1: '1;2' is no position (longitude,latitude[,altitude])",
         true},
        {"gpx.kml", "<gpx/>", "it is no KML file"},
        {"a.geojson",
         TestData("cli/data/readers/a.geojson"),
         "W: 8.0053,46.5776^3967@1628928900000 'Eiger' \"North face\"#Summit 8.1,46.6^2500 'Hut' "
         "\"Beds\"#Hut 0,1 "
         "2,3; R 'R': 1,2^3@1609459200000 4,5; T 'T': 1,2@1609459200000 3,4@1609459201000 "
         "/5,6@1609459202000"},
        {"bare.json", R"({"type": "LineString", "coordinates": [[1, 2], [3, 4]]})", "T 'track 1': 1,2 3,4"},
        {"bad.json",
         "{\"type\": \"FeatureCollection\",\n \"features\": [1, }",
         "line 2, column 18 (byte 47): syntax error"},
        {"bad.json", "", "line 1, column 1 (byte 0)"},
        {"trailing.json", "{\"type\": \"Point\", \"coordinates\": [1, 2]} x", "line 1, column 42 (byte 41)"},
        {"bad.json", "[1]", "its top is no JSON object"},
        {"bad.json", R"({"type": "Topology"})", "it is no GeoJSON (its type is 'Topology')"},
        {"bad.json", R"({"type": "FeatureCollection", "features": []})", "holds no points"},
        // Hostile nesting fails with a sentence, not by running out of stack.
        {"nested.json", Nested(100), "nest deeper than 64"},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.bytes.substr(0, 60));
        const std::string path = cli_test::FreshFolder("gps_readers") + "/" + c.file;
        cli_test::WriteFile(path, c.bytes);
        const Reading reading = ReadMap(path, "x", c.strict);
        if (reading.read) {
            EXPECT_EQ(Summary(reading.sets), c.expected);
        } else {
            EXPECT_NE(reading.failure.find(c.expected), std::string::npos) << reading.failure;
        }
    }
}

}  // namespace
}  // namespace vezuved_cli
