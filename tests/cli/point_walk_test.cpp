// A set that is read again for each walk instead of held: every map writer
// gives the same bytes as from the held points, however often it walks.
#include <gtest/gtest.h>

#include "output/geojson_output.h"
#include "output/gpx_output.h"
#include "output/kml_output.h"
#include "support/text_sink.h"

namespace vezuved_cli {
namespace {

Point At(const char* name, const char* latitude, const char* longitude, const char* feet, const char* time) {
    return MakePoint(name, latitude, longitude, feet, time, "", nullptr);
}

// The held set's points, handed out again on each walk; walks counts them.
PointSet Reread(const PointSet& held, int& walks) {
    PointSet set;
    set.title = held.title;
    set.kind = held.kind;
    const std::vector<Point> points = held.points;
    set.reread = [points, &walks](const std::function<void(const Point&)>& visit) {
        ++walks;
        for (const Point& point : points) visit(point);
    };
    return set;
}

struct WalkCase {
    const char* name;
    int32_t kind;
    std::vector<Point> points;
};

std::vector<WalkCase> Cases() {
    Point described = At("Hut", "45.5", "7.5", "", "");
    described.description = "Bunks & <tea>";
    described.icon = "Lodge";
    return {
        {"Track", VEZUVED_KIND_TRACK,
         {At("TP1", "45.3311", "-121.7113", "6000.5832", "081500 14082021"),
          At("Off", "95", "0", "", ""),
          At("TP2", "45.3352", "180", "6240.1576", "083000.5 14082021"),
          At("TP3", "45.3400", "-121.7000", "", "")}},
        {"RouteOfOnePosition", VEZUVED_KIND_ROUTE, {At("R1", "45.1", "7.1", "100", ""), At("Off", "", "", "", "")}},
        {"Points", VEZUVED_KIND_POINT, {described, At("P2", "-33.9", "151.2", "12", "120000 01012020")}},
        {"Empty", VEZUVED_KIND_TRACK, {}},
    };
}

std::string Render(const std::vector<PointSet>& sets, int format) {
    std::string text;
    TextSink sink(text);
    if (format == 0) WriteGpx(sink, sets, "vezuved test");
    if (format == 1) WriteGeoJson(sink, sets, false);
    if (format == 2) WriteGeoJson(sink, sets, true);
    if (format == 3) WriteGeoJsonPoints(sink, sets, false);
    if (format == 4) WriteKml(sink, sets);
    return text;
}

TEST(ToolPointWalk, EveryWriterGivesTheHeldSetsBytes) {
    for (const WalkCase& c : Cases()) {
        for (int format = 0; format <= 4; ++format) {
            SCOPED_TRACE(std::string(c.name) + " format " + std::to_string(format));
            PointSet held;
            held.title = c.name;
            held.kind = c.kind;
            held.points = c.points;
            int walks = 0;
            const std::vector<PointSet> streamed = {Reread(held, walks)};
            EXPECT_EQ(Render(streamed, format), Render({held}, format));
            EXPECT_GE(walks, 1);
        }
    }
}

TEST(ToolPointWalk, VisitsInOrderEachTime) {
    PointSet held;
    held.points = {At("A", "1", "1", "", ""), At("B", "2", "2", "", ""), At("C", "", "", "", "")};
    int walks = 0;
    const PointSet streamed = Reread(held, walks);
    std::string names;
    ForEachPoint(streamed, [&](const Point& point) { names += point.name; });
    ForEachPoint(held, [&](const Point& point) { names += point.name; });
    ForEachPoint(streamed, [&](const Point& point) { names += point.name; });
    EXPECT_EQ(names, "ABCABCABC");
    EXPECT_EQ(walks, 2);
    EXPECT_TRUE(streamed.points.empty());
}

}  // namespace
}  // namespace vezuved_cli
