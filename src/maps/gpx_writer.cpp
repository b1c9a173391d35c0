#include "maps/gpx_writer.h"

#include "maps/line_walk.h"
#include "maps/xml_writer.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

// Children in the order the GPX schema's wptType demands.
void WritePoint(XmlWriter& xml, std::string_view element, const Point& point) {
    char latitude[kFixedTextSize], longitude[kFixedTextSize];
    xml.Open(element,
             {{"lat", std::string_view(latitude, WriteDegrees(*point.latitude, latitude))},
              {"lon",
               std::string_view(longitude, WriteDegrees(NormalizedLongitude(*point.longitude), longitude))}});
    if (WrittenElevation(point)) xml.Element("ele", std::string_view(latitude, WriteMetres(point, latitude)));
    PointText text;
    if (point.time) xml.Element("time", text.Time(point));
    if (!point.name.empty()) xml.Element("name", point.name);
    if (!DescriptionOf(point).empty()) xml.Element("desc", DescriptionOf(point));
    if (!point.icon.empty()) xml.Element("sym", point.icon);
    xml.Close();
}

int32_t GpxKind(const PointSet& set) { return IsLine(set) ? set.kind : VEZUVED_KIND_POINT; }

}  // namespace

std::string JoinedRouteSegments(const std::vector<PointSet>& sets, const std::vector<LineFacts>& facts) {
    std::string joined;
    for (size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].kind != VEZUVED_KIND_ROUTE || facts[i].segments < 2) continue;
        joined += (joined.empty() ? "" : ", ") + std::string("route '") + sets[i].title +
                  "': " + std::to_string(facts[i].segments) + " segments joined";
    }
    return joined.empty() ? joined : joined + " (a GPX route has no segments)";
}

void WriteGpx(DocumentSink& sink, const std::vector<PointSet>& sets, std::string_view creator) {
    XmlWriter xml(sink);
    xml.Open("gpx",
             {{"version", "1.1"},
              {"creator", std::string(creator)},
              {"xmlns", "http://www.topografix.com/GPX/1/1"},
              {"xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"},
              {"xsi:schemaLocation",
               "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"}});
    if (sets.size() == 1 && !sets[0].title.empty()) {
        xml.Open("metadata");
        xml.Element("name", sets[0].title);
        xml.Close();
    }
    // The schema wants every wpt before the first rte and every rte before
    // the first trk.
    for (const int32_t kind : {VEZUVED_KIND_POINT, VEZUVED_KIND_ROUTE, VEZUVED_KIND_TRACK}) {
        for (const PointSet& set : sets) {
            if (GpxKind(set) != kind) continue;
            const bool route = kind == VEZUVED_KIND_ROUTE;
            const bool track = kind == VEZUVED_KIND_TRACK;
            if (route || track) {
                xml.Open(route ? "rte" : "trk");
                if (!set.title.empty()) xml.Element("name", set.title);
                if (track) xml.Open("trkseg");
            }
            const std::string_view element = route ? "rtept" : track ? "trkpt" : "wpt";
            ForEachValidPoint(set, [&](const Point& point, bool startsSegment) {
                if (track && startsSegment) {
                    xml.Close();
                    xml.Open("trkseg");
                }
                WritePoint(xml, element, point);
            });
            if (track) xml.Close();
            if (route || track) xml.Close();
        }
    }
    xml.Finish();
}

}  // namespace vezuved::maps
