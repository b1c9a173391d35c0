#include "output/kml_output.h"

#include <string>

#include "output/xml_writer.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

std::string Coordinates(const Point& point, bool elevation) {
    std::string text = FormatFixed(NormalizedLongitude(*point.longitude), 7) + ',' + FormatFixed(*point.latitude, 7);
    if (elevation) text += ',' + FormatFixed(*point.elevationMetres, 2);
    return text;
}

void WriteData(XmlWriter& xml, const char* name, std::string_view value) {
    xml.Open("Data", {{"name", name}});
    xml.Element("value", value);
    xml.Close();
}

// Children in the order KML's schema gives a Placemark.
void WritePointPlacemark(XmlWriter& xml, const Point& point) {
    xml.Open("Placemark");
    if (!point.name.empty()) xml.Element("name", point.name);
    if (point.description && !point.description->empty()) xml.Element("description", *point.description);
    if (point.time) {
        xml.Open("TimeStamp");
        xml.Element("when", IsoTime(point));
        xml.Close();
    }
    if (!point.icon.empty()) {
        xml.Open("ExtendedData");
        WriteData(xml, "sym", point.icon);
        xml.Close();
    }
    xml.Open("Point");
    if (point.elevationMetres) xml.Element("altitudeMode", "absolute");
    xml.Element("coordinates", Coordinates(point, point.elevationMetres.has_value()));
    xml.Close();
    xml.Close();
}

void WriteLinePlacemark(XmlWriter& xml, const PointSet& set, const LineFacts& facts) {
    // One dimension for the whole line: altitudes only when every position has one.
    const bool elevations = facts.elevations;
    xml.Open("Placemark");
    if (!set.title.empty()) xml.Element("name", set.title);
    xml.Open("ExtendedData");
    WriteData(xml, "kind", set.kind == VEZUVED_KIND_ROUTE ? "route" : "track");
    xml.Close();
    xml.Open("LineString");
    xml.Element("tessellate", "1");
    if (elevations) xml.Element("altitudeMode", "absolute");
    xml.Open("coordinates");
    ForEachPoint(set, [&](const Point& point) {
        if (HasValidPosition(point)) xml.Line(Coordinates(point, elevations));
    });
    xml.Close();
    xml.Close();
    xml.Close();
}

std::string DocumentName(const std::vector<PointSet>& sets) {
    std::string name;
    for (const PointSet& set : sets) {
        if (set.title.empty()) continue;
        if (!name.empty()) name += ", ";
        name += set.title;
    }
    return name;
}

}  // namespace

void WriteKml(TextSink& sink, const std::vector<PointSet>& sets) {
    XmlWriter xml(sink);
    xml.Open("kml", {{"xmlns", "http://www.opengis.net/kml/2.2"}});
    xml.Open("Document");
    const std::string name = DocumentName(sets);
    if (!name.empty()) xml.Element("name", name);
    for (const PointSet& set : sets) {
        const LineFacts facts = ScanLine(set);
        const size_t valid = facts.valid;
        if (valid == 0) continue;  // an empty folder would be a layer without a geometry type
        xml.Open("Folder");
        if (!set.title.empty()) xml.Element("name", set.title);
        // A LineString needs two positions; a single one stays a Point.
        if ((set.kind == VEZUVED_KIND_ROUTE || set.kind == VEZUVED_KIND_TRACK) && valid >= 2) {
            WriteLinePlacemark(xml, set, facts);
        } else {
            ForEachPoint(set, [&](const Point& point) {
                if (HasValidPosition(point)) WritePointPlacemark(xml, point);
            });
        }
        xml.Close();
    }
    xml.Finish();
}

}  // namespace vezuved_cli
