// The map documents' exact text, from small sets, without running the tool.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <regex>
#include <sstream>

#include "conversion/records.h"
#include "filetypes/map_files.h"
#include "library_names.h"
#include "maps/document_sink.h"
#include "maps/geojson_writer.h"
#include "maps/gpx_writer.h"
#include "maps/kml_writer.h"
#include "maps/svg_writer.h"
#include "output/table_output.h"
#include "support/map_sets.h"
#include "tool_runner.h"

namespace vezuved_cli {
namespace {

// The library's points and sets, which its writers take.
using MapPoint = vezuved::maps::Point;
using MapSet = vezuved::maps::PointSet;

using map_sets::At;
using map_sets::Set;
using map_sets::SmallTrack;

MapSet Summits() {
    return Set("Peaks",
               VEZUVED_KIND_POINT,
               {At("Hood & <co>", "45.3735", "-121.6959", "11249", "", "Summit", "Oregon \"high\""),
                At("Flat", "-10.5", "20.25", "", "120000 01012020")});
}

template <typename Write>
std::string Text(Write write) {
    std::string text;
    DocumentSink sink(text);
    write(sink);
    return text;
}

std::string Svg(const std::vector<MapSet>& sets) {
    return Text([&](DocumentSink& sink) { WriteSvg(sink, sets); });
}

// The set as the tool holds it.
PointSet Held(const MapSet& set) {
    PointSet held;
    held.title = set.title;
    held.kind = set.kind;
    for (const MapPoint& p : set.points) {
        held.points.emplace_back();
        Point& to = held.points.back();
        to.name = p.name, to.icon = p.icon, to.description = p.description, to.time = p.time;
        to.latitude = p.latitude, to.longitude = p.longitude, to.segmentStart = p.segmentStart;
        to.elevationMetres = p.elevationMetres, to.elevationFeet = p.elevationFeet;
    }
    return held;
}

// The tool's document of the sets (held, as the tool changed them).
std::string Document(MapFormat format, const std::vector<MapSet>& sets) {
    std::vector<LoadedPoints> loaded(sets.size());
    for (size_t i = 0; i < sets.size(); ++i) loaded[i].set = Held(sets[i]);
    std::ostringstream err;
    return RenderDocument(err, format, loaded, MapOptions());
}

std::string GeoJson(const std::vector<MapSet>& sets, bool compact = false) {
    return Text([&](DocumentSink& sink) { WriteGeoJson(sink, sets, compact); });
}

// Text of the document with every line's indentation taken out.
std::string Flat(const std::string& text) {
    std::string flat;
    bool start = true;
    for (const char c : text) {
        if (start && c == ' ') continue;
        start = c == '\n';
        if (!start) flat += c;
    }
    return flat;
}

std::string Kml(const std::vector<MapSet>& sets) {
    return Flat(Text([&](DocumentSink& sink) { WriteKml(sink, sets); }));
}

// Two segments, the second's break on a point left out (the next begins it);
// a first point's break means nothing.
MapSet Broken(int32_t kind) {
    return Set("B",
               kind,
               {At("A", "1", "2", "100", "120000 01012020", "", nullptr, true),
                At("", "1.5", "2", "", "", "Flag", "note"),
                At("X", "99", "0", "", "", "", nullptr, true),
                At("", "2", "2", "", "120001.001 01012020"),
                At("", "2.5", "2", "10", "120002.999 01012020")});
}

// Elevations that are numbers only just: every document stays plain text,
// a point of no finite elevation within the bound left out.
TEST(ToolMapWriters, ExtremeElevationsAreWrittenWhole) {
    const std::vector<MapSet> sets = {
        Set("Far",
            VEZUVED_KIND_TRACK,
            {At("A", "1", "2", "1e308", "000000 01011970"), At("B", "1", "3", "-1e308", "")})};
    std::vector<MapSet> metres = sets;  // the most a double holds, as a file in metres may give
    metres[0].points[0].elevationMetres = 1.7e308;
    metres[0].points[1].elevationMetres = -1.7e308;
    std::vector<MapSet> odd = sets;
    odd[0].points[0].elevationMetres = std::numeric_limits<double>::infinity();
    odd[0].points[1].elevationMetres = std::numeric_limits<double>::quiet_NaN();
    for (const auto& documents : {sets, metres, odd}) {
        for (const std::string& text : {GeoJson(documents),
                                        Text([&](DocumentSink& sink) { WriteKml(sink, documents); }),
                                        Text([&](DocumentSink& sink) { WriteGpx(sink, documents, "t"); }),
                                        Svg(documents)}) {
            for (const char c : text) ASSERT_TRUE(c == '\n' || (c >= ' ' && c < 0x7F)) << text;
            EXPECT_EQ(text.find("nan"), std::string::npos);
            EXPECT_EQ(text.find("inf"), std::string::npos);
        }
    }
    // A table gives feet: an elevation too large for them is blank, and said.
    PointSet far = Held(Set("Far", VEZUVED_KIND_POINT, {At("A", "1", "2", "", "")}));
    far.points[0].elevationMetres = 1e308;
    far.points[0].elevationFeet = std::numeric_limits<double>::infinity();
    std::ostringstream err;
    const std::string table = WriteTable(err, far) + WriteCsv(err, far) + WritePointsJson(err, far);
    const std::string said =
        "vezuved: 1 elevation(s) of 'Far' are too large to give in feet and are left blank\n";
    EXPECT_EQ(err.str(), said + said + said);  // once by each table
    EXPECT_EQ(table.find("inf"), std::string::npos) << table;
    EXPECT_NE(table.find("A,1.0000000,2.0000000,,,,\r\n"), std::string::npos) << table;
    EXPECT_EQ(GeoJson(odd, true), "{\"type\":\"FeatureCollection\",\"features\":[]}\n");
}

// Whole documents, pinned in tests/cli/data/writers (KML without its layout).
TEST(ToolMapWriters, DocumentsAsPinned) {
    const std::vector<MapSet> mixed = {Broken(VEZUVED_KIND_TRACK),
                                       SmallTrack(),
                                       Broken(VEZUVED_KIND_ROUTE),
                                       Summits(),
                                       Broken(VEZUVED_KIND_ROUTE)};
    MapSet untimed = Broken(VEZUVED_KIND_ROUTE);
    for (MapPoint& point : untimed.points) point.time.reset();
#if defined(VEZUVED_HAVE_GEOGRAPHICLIB)
    const char* const kSummitsPage = "summits.html";
#else
    const char* const kSummitsPage = "summits-unmeasured.html";  // says it cannot measure instead
#endif
    std::ostringstream quiet;  // no elevation is too large for feet here
    const std::pair<std::string, const char*> cases[] = {
        {GeoJson({SmallTrack()}, true), "small-track.geojson"},
        {Text([](DocumentSink& sink) { WriteGeoJsonPoints(sink, {SmallTrack()}, true); }),
         "small-track-points.geojson"},
        {GeoJson({Broken(VEZUVED_KIND_TRACK)}, true), "broken-track.geojson"},
        {GeoJson(
             {Set("R", VEZUVED_KIND_ROUTE, {At("Only", "1", "2", "", ""), At("Off", "-91", "0", "", "")})},
             true),
         "one-point-route.geojson"},
        {GeoJson({Set("U",
                      VEZUVED_KIND_TRACK,
                      {At("", "1", "2", "", "", "", nullptr, true), At("", "3", "4", "", "", "", "")})},
                 true),
         "untimed-track.geojson"},
        {GeoJson({Summits()}, true), "summits.geojson"},
        {Kml({SmallTrack(), Summits(), Set("Empty", 0, {})}), "hike-peaks-empty.kml"},
        {Kml({Broken(VEZUVED_KIND_TRACK)}), "broken-track.kml"},
        {Kml({untimed}), "untimed-route.kml"},
        // One position: a LineString without its elevation, a gx:Track with it.
        {Kml({Set("One", VEZUVED_KIND_TRACK, {At("", "1", "2", "", "")}),
              Set("High", VEZUVED_KIND_TRACK, {At("", "1", "2", "100", "")})}),
         "one-point-track.kml"},
        {Text([](DocumentSink& sink) { WriteGpx(sink, {Summits()}, "t"); }), "summits.gpx"},
        {Text([&](DocumentSink& sink) { WriteGpx(sink, mixed, "t"); }), "mixed.gpx"},
        {WriteTable(quiet, Held(Summits())) + WriteCsv(quiet, Held(Summits())) +
             WritePointsJson(quiet, Held(Summits())),
         "summits-listings.txt"},
        {Document(MapFormat::Html, {Summits()}), kSummitsPage},
    };
    for (const auto& [text, name] : cases) {
        EXPECT_EQ(text, TestData(std::string("cli/data/writers/") + name)) << name;
    }
    // The tool's pictures are the library's, through the core's interface,
    // which refuses a point off the earth (no reader gives the tool one).
    const std::vector<MapSet> onEarth = {
        Set("Hike",
            VEZUVED_KIND_TRACK,
            {At("", "45.33", "-121.71", "1800", "081500 14082021"), At("", "45.34", "-121.7", "", "")}),
        Summits()};
    EXPECT_EQ(Document(MapFormat::Svg, onEarth), Svg(onEarth));
    std::string refused;
    try {
        Document(MapFormat::Svg, {Broken(VEZUVED_KIND_ROUTE)});
    } catch (const std::exception& error) {
        refused = error.what();
    }
    EXPECT_EQ(refused, "the point is refused: latitude 99 is outside -90..90");
    EXPECT_EQ(JoinedRouteSegments(mixed, ScanLines(mixed)),
              "route 'B': 2 segments joined, route 'B': 2 segments joined (a GPX route has no segments)");
    // The points' other values, only those some point holds, in their own order.
    MapSet sensed = Set("S", VEZUVED_KIND_TRACK, {At("", "1", "2", "", ""), At("", "3", "4", "", "")});
    auto extras = std::make_shared<vezuved::maps::PointExtras>();
    extras->Set(vezuved::maps::PointExtra::HeartRate, "120");
    extras->Set(vezuved::maps::PointExtra::MagneticVariation, "3.5");
    sensed.points[1].extras = extras;
    EXPECT_NE(GeoJson({sensed}, true)
                  .find(R"("kind":"track","coordExtras":{"magvar":[null,"3.5"],"hr":[null,"120"]}}})"),
              std::string::npos);
    // Waypoints stand in the Folders their paths name; a Folder stays open
    // while the waypoints that follow stand in it.
    MapSet filed = Set("W",
                       VEZUVED_KIND_POINT,
                       {At("A", "1", "2", "", ""),
                        At("B", "3", "4", "", ""),
                        At("C", "5", "6", "", ""),
                        At("D", "7", "8", "", "")});
    const char* const paths[] = {"Trips/Alps", "Trips/Dolomites", "Trips/Dolomites", nullptr};
    for (size_t i = 0; paths[i] != nullptr; ++i) {
        auto folder = std::make_shared<vezuved::maps::PointExtras>();
        folder->Set(vezuved::maps::PointExtra::Folder, paths[i]);
        filed.points[i].extras = folder;
    }
    const std::string kml = Kml({filed});
    std::string nesting;
    const std::regex marks("<Folder><name>[^<]*</name>|<Placemark><name>[^<]*</name>|</Folder>");
    for (auto mark = std::sregex_iterator(kml.begin(), kml.end(), marks); mark != std::sregex_iterator();
         ++mark)
        nesting += mark->str();
    EXPECT_EQ(nesting,
              "<Folder><name>W</name><Folder><name>Trips</name><Folder><name>Alps</name>"
              "<Placemark><name>A</name></Folder><Folder><name>Dolomites</name><Placemark><name>B</name>"
              "<Placemark><name>C</name></Folder></Folder><Placemark><name>D</name></Folder>");
    // Nothing left: an empty collection, pretty unless asked otherwise.
    EXPECT_EQ(GeoJson({Set("E", VEZUVED_KIND_TRACK, {At("Off", "91", "0", "", "")})}),
              "{\n  \"type\": \"FeatureCollection\",\n  \"features\": []\n}\n");
}

}  // namespace
}  // namespace vezuved_cli
