// The readers of GPX, KML and GeoJSON on small files, and the text helpers
// they and the record writer build on: ISO times, record times, UTF-8 to
// Windows-1252, wildcards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/input_paths.h"
#include "input/map_input.h"
#include "input/xml_stream.h"
#include "support/encoding.h"
#include "support/failure.h"
#include "support/iso_time.h"
#include "support/values.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

TEST(GpsText, ParseIsoTimeTakesZonesAndFractions) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"2021-08-14T08:15:00Z", 1628928900000},
        {"2021-08-14T10:15:00+02:00", 1628928900000},
        {"2021-08-14T03:45:00-0430", 1628928900000},
        {"2021-08-14T08:15:00.25Z", 1628928900250},
        {"2021-08-14T08:15:00,123456Z", 1628928900123},  // beyond milliseconds: cut
        {" 2021-08-14T08:15:00 ", 1628928900000},         // no zone: UTC
        {"2021-08-14", 1628899200000},
        {"1969-12-31T23:59:59.500Z", -500},
        {"2004-02-29T00:00:00Z", 1078012800000},
        {"2003-02-29T00:00:00Z", std::nullopt},
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
    const std::pair<int64_t, const char*> cases[] = {
        {1628928900000, "081500 14082021"}, {1628928900250, "081500.250 14082021"}, {0, "000000 01011970"}};
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

class GpsReaders : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XmlReadingAvailable()) GTEST_SKIP() << "this build reads no XML";
        folder_ = cli_test::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = folder_ + "/" + name;
        cli_test::WriteFile(path, bytes);
        return path;
    }
    // The message a reader fails with, or "" when it reads.
    template <typename Reader>
    std::string FailureOf(Reader reader, const std::string& path, bool strict = false) {
        try {
            reader(path, "x", strict);
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.status(), 1);
            return failure.what();
        }
        return "";
    }
    std::string folder_;
};

TEST_F(GpsReaders, Gpx11WaypointsRoutesAndTracksWithTheirSegments) {
    const std::string path = File("a.gpx", R"(<?xml version="1.0"?>
<gpx version="1.1" creator="t" xmlns="http://www.topografix.com/GPX/1/1" xmlns:g="urn:other">
 <metadata><name>not a point</name></metadata>
 <wpt lat=" 45.5" lon="-122.25"><ele>100.5</ele><time>2021-08-14T10:15:00.250+02:00</time>
  <name> Caf&#233; </name><desc>Gate &amp; more</desc><sym>Flag</sym><g:name>other</g:name></wpt>
 <rte><name>Loop</name><rtept lat="1" lon="2"><name>R1</name></rtept><rtept lat="3" lon="4"/></rte>
 <trk><name>Day</name><trkseg><trkpt lat="5" lon="6"/></trkseg>
  <trkseg><trkpt lat="7" lon="8"><ele>-3</ele></trkpt></trkseg>
  <extensions><trkseg><trkpt lat="0" lon="0"/></trkseg></extensions></trk>
 <trk><trkseg><trkpt lat="9" lon="10"/></trkseg></trk>
 <extensions><wpt lat="0" lon="0"/></extensions>
</gpx>)");
    const std::vector<PointSet> sets = ReadGpx(path, path, false);
    ASSERT_EQ(sets.size(), 4u);
    EXPECT_EQ(sets[0].title, "waypoints");
    EXPECT_EQ(sets[0].kind, VEZUVED_KIND_POINT);
    ASSERT_EQ(sets[0].points.size(), 1u);
    const Point& p = sets[0].points[0];
    EXPECT_EQ(p.name, "Caf\xC3\xA9");
    EXPECT_EQ(p.description, "Gate & more");
    EXPECT_EQ(p.icon, "Flag");
    EXPECT_EQ(p.latitude, 45.5);
    EXPECT_EQ(p.longitude, -122.25);
    EXPECT_EQ(p.elevationMetres, 100.5);
    EXPECT_DOUBLE_EQ(*p.elevationFeet, 100.5 / 0.3048);
    EXPECT_EQ(p.time, 1628928900250);
    EXPECT_EQ(sets[1].title, "Loop");
    EXPECT_EQ(sets[1].kind, VEZUVED_KIND_ROUTE);
    ASSERT_EQ(sets[1].points.size(), 2u);
    EXPECT_EQ(sets[1].points[0].name, "R1");
    EXPECT_EQ(sets[2].title, "Day");
    EXPECT_EQ(sets[2].kind, VEZUVED_KIND_TRACK);
    ASSERT_EQ(sets[2].points.size(), 2u);  // two segments, one track; nothing from the extensions
    EXPECT_FALSE(sets[2].points[0].segmentStart);
    EXPECT_TRUE(sets[2].points[1].segmentStart);
    EXPECT_EQ(sets[2].points[1].latitude, 7.0);
    EXPECT_EQ(sets[2].points[1].elevationMetres, -3.0);
    EXPECT_EQ(sets[3].title, "track 2");
}

TEST_F(GpsReaders, Gpx10AndNoNamespaceTakeTheCommentWhenThereIsNoDescription) {
    for (const char* root : {R"(<gpx version="1.0" xmlns="http://www.topografix.com/GPX/1/0">)", "<gpx>"}) {
        const std::string path = File("b.gpx", std::string(root) +
                                                   R"(<wpt lat="1" lon="2"><cmt>comment</cmt></wpt>
<wpt lat="1" lon="2"><cmt>comment</cmt><desc>description</desc></wpt></gpx>)");
        const std::vector<PointSet> sets = ReadGpx(path, path, false);
        ASSERT_EQ(sets.size(), 1u) << root;
        ASSERT_EQ(sets[0].points.size(), 2u) << root;
        EXPECT_EQ(sets[0].points[0].description, "comment") << root;
        EXPECT_EQ(sets[0].points[1].description, "description") << root;
    }
}

TEST_F(GpsReaders, BadFilesFailWithTheLineAndCause) {
    const std::pair<std::string, std::string> cases[] = {
        {"<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</gpx>", "cannot read 'x': line 3: mismatched tag"},
        {"", "cannot read 'x': line 1: no element found"},
        {"<kml/>", "it is no GPX file (its root element is <kml>, not <gpx>)"},
        {"<gpx version=\"1.1\"><trk><name>T</name></trk></gpx>", "holds no points, routes or tracks"},
        {"<!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
         "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
         "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
         "<gpx><wpt lat=\"1\" lon=\"2\"><desc>&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;</desc></wpt></gpx>",
         "cannot read 'x': line 1:"},
    };
    for (const auto& [bytes, message] : cases) {
        const std::string failure = FailureOf(ReadGpx, File("bad.gpx", bytes));
        EXPECT_NE(failure.find(message), std::string::npos) << bytes << "\n" << failure;
    }
}

TEST_F(GpsReaders, KmlPlacemarksInFoldersLinesRoutesAndTracks) {
    const std::string path = File("a.kml", R"(<?xml version="1.0"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2"><Document>
<Folder><Placemark><Point><coordinates> -121.6959,45.3735,3429 </coordinates></Point>
 <name>Summit</name><description>Top</description><TimeStamp><when>2021-08-14T10:00:00+02:00</when></TimeStamp>
</Placemark></Folder>
<Placemark><name>Loop</name><ExtendedData><Data name="kind"><value>route</value></Data></ExtendedData>
 <LineString><coordinates>1,2,3
  4,5 	6,7</coordinates></LineString></Placemark>
<Placemark><name>Walk</name><MultiGeometry><LineString><coordinates>1,2 3,4</coordinates></LineString>
 <Point><coordinates>5,6</coordinates></Point></MultiGeometry></Placemark>
<Placemark><name>Log</name><gx:Track><when>2021-08-14T08:00:00Z</when><when>2021-08-14T08:00:05.5Z</when>
 <gx:coord>8.1 46.5 1000</gx:coord><gx:coord>8.2 46.6</gx:coord></gx:Track></Placemark>
</Document></kml>)");
    const std::vector<PointSet> sets = ReadKml(path, path, false);
    ASSERT_EQ(sets.size(), 4u);
    ASSERT_EQ(sets[0].points.size(), 2u);
    EXPECT_EQ(sets[0].points[0].name, "Summit");
    EXPECT_EQ(sets[0].points[0].description, "Top");
    EXPECT_EQ(sets[0].points[0].latitude, 45.3735);
    EXPECT_EQ(sets[0].points[0].longitude, -121.6959);
    EXPECT_EQ(sets[0].points[0].elevationMetres, 3429.0);
    EXPECT_EQ(sets[0].points[0].time, 1628928000000);
    EXPECT_EQ(sets[0].points[1].name, "Walk");
    EXPECT_EQ(sets[1].title, "Loop");
    EXPECT_EQ(sets[1].kind, VEZUVED_KIND_ROUTE);
    ASSERT_EQ(sets[1].points.size(), 3u);
    EXPECT_EQ(sets[1].points[2].latitude, 7.0);
    EXPECT_EQ(sets[2].title, "Walk");
    EXPECT_EQ(sets[2].kind, VEZUVED_KIND_TRACK);
    EXPECT_EQ(sets[3].title, "Log");
    ASSERT_EQ(sets[3].points.size(), 2u);
    EXPECT_EQ(sets[3].points[1].time, 1628928005500);
    EXPECT_EQ(sets[3].points[0].elevationMetres, 1000.0);
    EXPECT_EQ(sets[3].points[1].longitude, 8.2);

    const std::string failure = FailureOf(ReadKml,
                                          File("bad.kml", "<kml><Placemark><Point><coordinates>1;2"
                                                          "</coordinates></Point></Placemark></kml>"),
                                          true);
    EXPECT_EQ(failure, "x:1: waypoint 1: '1;2' is no position (longitude,latitude[,altitude])");
    EXPECT_NE(FailureOf(ReadKml, File("gpx.kml", "<gpx/>")).find("it is no KML file"), std::string::npos);
}

TEST_F(GpsReaders, GeoJsonFeaturesGeometriesAndTimes) {
    const std::string path = File("a.geojson", R"({"type": "FeatureCollection", "features": [
 {"type": "Feature", "geometry": {"type": "Point", "coordinates": [8.0053, 46.5776, 3967]},
  "properties": {"name": "Eiger", "time": "2021-08-14T08:15:00Z", "sym": "Summit", "desc": "North face"}},
 {"type": "Feature", "geometry": {"type": "Point", "coordinates": [8.1, 46.6]},
  "properties": {"name": "Hut", "elevation": 2500, "icon": "Hut", "description": "Beds"}},
 {"type": "Feature", "geometry": null, "properties": {"name": "nowhere"}},
 {"type": "Feature", "geometry": {"type": "LineString", "coordinates": [[1, 2, 3], [4, 5]]},
  "properties": {"name": "R", "kind": "route", "coordTimes": ["2021-01-01T00:00:00Z"]}},
 {"type": "Feature", "geometry": {"type": "MultiLineString", "coordinates": [[[1, 2], [3, 4]], [[5, 6]]]},
  "properties": {"name": "T", "coordTimes": [["2021-01-01T00:00:00Z", "2021-01-01T00:00:01Z"],
                                             ["2021-01-01T00:00:02Z"]]}},
 {"type": "Feature", "geometry": {"type": "MultiPoint", "coordinates": [[0, 1], [2, 3]]}, "properties": null}
]})");
    const std::vector<PointSet> sets = ReadGeoJson(path, path, false);
    ASSERT_EQ(sets.size(), 3u);
    ASSERT_EQ(sets[0].points.size(), 4u);
    EXPECT_EQ(sets[0].points[0].name, "Eiger");
    EXPECT_EQ(sets[0].points[0].icon, "Summit");
    EXPECT_EQ(sets[0].points[0].description, "North face");
    EXPECT_EQ(sets[0].points[0].elevationMetres, 3967.0);
    EXPECT_EQ(sets[0].points[0].time, 1628928900000);
    EXPECT_EQ(sets[0].points[1].elevationMetres, 2500.0);
    EXPECT_EQ(sets[0].points[1].description, "Beds");
    EXPECT_EQ(sets[0].points[3].latitude, 3.0);
    EXPECT_EQ(sets[1].kind, VEZUVED_KIND_ROUTE);
    EXPECT_EQ(sets[1].title, "R");
    ASSERT_EQ(sets[1].points.size(), 2u);
    EXPECT_EQ(sets[1].points[0].time, 1609459200000);
    EXPECT_FALSE(sets[1].points[1].time);
    EXPECT_EQ(sets[2].kind, VEZUVED_KIND_TRACK);
    ASSERT_EQ(sets[2].points.size(), 3u);  // two segments of one track
    EXPECT_TRUE(sets[2].points[2].segmentStart);
    EXPECT_EQ(sets[2].points[2].time, 1609459202000);

    const std::string bare = File("bare.json", R"({"type": "LineString", "coordinates": [[1, 2], [3, 4]]})");
    const std::vector<PointSet> line = ReadGeoJson(bare, bare, false);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].title, "track 1");
}

TEST_F(GpsReaders, BadGeoJsonFailsWithWhereAndWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"{\"type\": \"FeatureCollection\",\n \"features\": [1, }", "line 2, column 18 (byte 47): syntax error"},
        {"", "line 1, column 1 (byte 0)"},
        {"[1]", "its top is no JSON object"},
        {R"({"type": "Topology"})", "it is no GeoJSON (its type is 'Topology')"},
        {R"({"type": "FeatureCollection", "features": []})", "holds no points"},
    };
    for (const auto& [bytes, message] : cases) {
        const std::string failure = FailureOf(ReadGeoJson, File("bad.json", bytes));
        EXPECT_NE(failure.find(message), std::string::npos) << bytes << "\n" << failure;
    }
    // Hostile nesting fails with a sentence, not by running out of stack.
    std::string nested;
    for (int i = 0; i < 100; ++i) nested += R"({"type": "GeometryCollection", "geometries": [)";
    nested += R"({"type": "Point", "coordinates": [1, 2]})";
    for (int i = 0; i < 100; ++i) nested += "]}";
    EXPECT_NE(FailureOf(ReadGeoJson, File("nested.json", nested)).find("nest deeper than 64"), std::string::npos);
    const std::string arrays = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_EQ(FailureOf(ReadGeoJson, File("arrays.json", arrays)),
              "cannot read 'x': its JSON nests deeper than 512 lists and objects");
}

}  // namespace
}  // namespace vezuved_cli
