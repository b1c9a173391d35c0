#include "output/gpx_output.h"

#include "output/xml_writer.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

// Children in the order the GPX schema's wptType demands.
void WritePoint(XmlWriter& xml, std::string_view element, const Point& point) {
    xml.Open(element, {{"lat", FormatFixed(*point.latitude, 7)},
                       {"lon", FormatFixed(NormalizedLongitude(*point.longitude), 7)}});
    if (point.elevationMetres) xml.Element("ele", FormatFixed(*point.elevationMetres, 2));
    if (point.time) xml.Element("time", IsoTime(point));
    if (!point.name.empty()) xml.Element("name", point.name);
    if (point.description && !point.description->empty()) xml.Element("desc", *point.description);
    if (!point.icon.empty()) xml.Element("sym", point.icon);
    xml.Close();
}

}  // namespace

void WriteGpx(TextSink& sink, const std::vector<PointSet>& sets, std::string_view creator) {
    XmlWriter xml(sink);
    xml.Open("gpx", {{"version", "1.1"},
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
            const int32_t setKind = set.kind == VEZUVED_KIND_ROUTE || set.kind == VEZUVED_KIND_TRACK
                                        ? set.kind
                                        : VEZUVED_KIND_POINT;
            if (setKind != kind) continue;
            const bool route = kind == VEZUVED_KIND_ROUTE;
            const bool track = kind == VEZUVED_KIND_TRACK;
            if (route || track) {
                xml.Open(route ? "rte" : "trk");
                if (!set.title.empty()) xml.Element("name", set.title);
                if (track) xml.Open("trkseg");
            }
            ForEachPoint(set, [&](const Point& point) {
                if (HasValidPosition(point)) WritePoint(xml, route ? "rtept" : track ? "trkpt" : "wpt", point);
            });
            if (track) xml.Close();
            if (route || track) xml.Close();
        }
    }
    xml.Finish();
}

}  // namespace vezuved_cli
