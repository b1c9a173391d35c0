// GPX, GeoJSON and listings built from a set of points, without the tool.
#include <gtest/gtest.h>

#include "geojson_output.h"
#include "gpx_output.h"
#include "table_output.h"

namespace vezuved_cli {
namespace {

PointSet Sample(int32_t kind) {
    PointSet set;
    set.title = "trip";
    set.kind = kind;
    set.points.push_back(MakePoint("Caf\xE9 <1>", "45.5000000", "-122.2500000", "100", "143005 24122004",
                                   "Flag", "Gate \"3\" & more"));
    set.points.push_back(MakePoint("B", "46.0000000", "180.0000000", "", "", "", nullptr));
    set.points.push_back(MakePoint("Nowhere", "95.0000000", "0.0000000", "", "", "", nullptr));
    return set;
}

TEST(WriteGpx, WaypointsCarryEveryField) {
    const std::string gpx = WriteGpx(Sample(kKindPoints), "test");
    EXPECT_NE(gpx.find("<wpt lat=\"45.5000000\" lon=\"-122.2500000\">"), std::string::npos);
    EXPECT_NE(gpx.find("<ele>30.48</ele>"), std::string::npos);
    EXPECT_NE(gpx.find("<time>2004-12-24T14:30:05Z</time>"), std::string::npos);
    EXPECT_NE(gpx.find("<name>Caf\xC3\xA9 &lt;1&gt;</name>"), std::string::npos);
    EXPECT_NE(gpx.find("<desc>Gate &quot;3&quot; &amp; more</desc>"), std::string::npos);
    EXPECT_NE(gpx.find("<sym>Flag</sym>"), std::string::npos);
    EXPECT_NE(gpx.find("lon=\"-180.0000000\""), std::string::npos);  // 180 is -180
    EXPECT_EQ(gpx.find("Nowhere"), std::string::npos);               // no valid position
}

TEST(WriteGpx, KindChoosesElements) {
    struct Case {
        int32_t kind;
        const char* container;
        const char* point;
    };
    const Case cases[] = {{kKindRoute, "<rte>", "<rtept "}, {kKindTrack, "<trkseg>", "<trkpt "},
                          {kKindPoints, "<metadata>", "<wpt "}};
    for (const auto& c : cases) {
        const std::string gpx = WriteGpx(Sample(c.kind), "test");
        EXPECT_NE(gpx.find(c.container), std::string::npos) << c.kind;
        EXPECT_NE(gpx.find(c.point), std::string::npos) << c.kind;
    }
}

TEST(WriteGeoJson, PointsAndLine) {
    const std::string route = WriteGeoJson(Sample(kKindRoute));
    EXPECT_NE(route.find("\"FeatureCollection\""), std::string::npos);
    EXPECT_NE(route.find("\"LineString\""), std::string::npos);
    EXPECT_NE(route.find("\"description\": \"Gate \\\"3\\\" & more\""), std::string::npos);
    EXPECT_EQ(WriteGeoJson(Sample(kKindPoints)).find("LineString"), std::string::npos);
}

TEST(Listings, TableCsvAndJson) {
    const PointSet set = Sample(kKindPoints);
    const std::string table = WriteTable(set);
    EXPECT_EQ(table.substr(0, table.find('\n')),
              "name      latitude    longitude     elevation_ft  time                  icon  description");
    EXPECT_NE(WriteCsv(set).find("\"Gate \"\"3\"\" & more\""), std::string::npos);
    const std::string json = WritePointsJson(set);
    EXPECT_NE(json.find("\"elevation_ft\": 100"), std::string::npos);
    EXPECT_NE(json.find("\"description\": null"), std::string::npos);
}

}  // namespace
}  // namespace vezuved_cli
