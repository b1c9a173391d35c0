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
    if (!point.isoTime.empty()) xml.Element("time", point.isoTime);
    if (!point.name.empty()) xml.Element("name", point.name);
    if (point.description && !point.description->empty()) xml.Element("desc", *point.description);
    if (!point.icon.empty()) xml.Element("sym", point.icon);
    xml.Close();
}

}  // namespace

std::string WriteGpx(const PointSet& set, std::string_view creator) {
    XmlWriter xml;
    xml.Open("gpx", {{"version", "1.1"},
                     {"creator", std::string(creator)},
                     {"xmlns", "http://www.topografix.com/GPX/1/1"},
                     {"xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"},
                     {"xsi:schemaLocation",
                      "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"}});
    if (!set.title.empty()) {
        xml.Open("metadata");
        xml.Element("name", set.title);
        xml.Close();
    }
    const bool route = set.kind == VEZUVED_KIND_ROUTE;
    const bool track = set.kind == VEZUVED_KIND_TRACK;
    if (route || track) {
        xml.Open(route ? "rte" : "trk");
        if (!set.title.empty()) xml.Element("name", set.title);
        if (track) xml.Open("trkseg");
    }
    for (const Point& point : set.points) {
        if (HasValidPosition(point)) WritePoint(xml, route ? "rtept" : track ? "trkpt" : "wpt", point);
    }
    return xml.Finish();
}

}  // namespace vezuved_cli
