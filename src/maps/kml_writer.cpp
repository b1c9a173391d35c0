#include "maps/kml_writer.h"

#include <optional>
#include <string>

#include "maps/xml_writer.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

void WriteData(XmlWriter& xml, const char* name, std::string_view value) {
    xml.Open("Data", {{"name", name}});
    xml.Element("value", value);
    xml.Close();
}

// A waypoint, or (with its index among the line's written positions) a
// route or track point whose name, description, time or symbol the line
// itself cannot carry. Children in the order KML's schema gives a Placemark.
void WritePointPlacemark(XmlWriter& xml, const Point& point, std::optional<size_t> index = std::nullopt) {
    PointText text;
    xml.Open("Placemark");
    if (!point.name.empty()) xml.Element("name", point.name);
    if (!DescriptionOf(point).empty()) xml.Element("description", DescriptionOf(point));
    if (point.time) {
        xml.Open("TimeStamp");
        xml.Element("when", text.Time(point));
        xml.Close();
    }
    if (index || !point.icon.empty()) {
        xml.Open("ExtendedData");
        if (index) WriteData(xml, "point", std::to_string(*index));
        if (!point.icon.empty()) WriteData(xml, "sym", point.icon);
        xml.Close();
    }
    xml.Open("Point");
    if (WrittenElevation(point)) xml.Element("altitudeMode", "absolute");
    // "longitude,latitude[,altitude]", as a Point and a LineString hold it.
    xml.Element("coordinates", text.Position(point, ','));
    xml.Close();
    xml.Close();
}

// A gx:Track per segment: every <when>, then every <gx:coord>, as the
// schema orders them, paired by their order; a point without a time has an
// empty <when/>, which keeps the pairs in step (and a gx:Track with fewer
// <when> than <gx:coord> is refused by some readers).
void WriteTracks(XmlWriter& xml, const PointSet& set, const LineFacts& facts) {
    PointText text;
    if (facts.segments > 1) xml.Open("gx:MultiTrack");
    ForEachSegment(set, facts.segments, [&](auto&& walk) {
        xml.Open("gx:Track");
        if (facts.someElevations) xml.Element("altitudeMode", "absolute");
        walk([&](const Point& point) {
            if (point.time) {
                xml.Element("when", text.Time(point));
            } else {
                xml.Empty("when", {});
            }
        });
        walk([&](const Point& point) { xml.Element("gx:coord", text.Position(point, ' ')); });
        xml.Close();
    });
    if (facts.segments > 1) xml.Close();
}

// A LineString per segment, in a MultiGeometry when there are several.
void WriteLineStrings(XmlWriter& xml, const PointSet& set, const LineFacts& facts) {
    auto open = [&] {
        xml.Open("LineString");
        xml.Element("tessellate", "1");
        if (facts.someElevations) xml.Element("altitudeMode", "absolute");
        xml.Open("coordinates");
    };
    auto close = [&] {
        xml.Close();
        xml.Close();
    };
    PointText text;
    if (facts.segments > 1) xml.Open("MultiGeometry");
    open();
    ForEachValidPoint(set, [&](const Point& point, bool startsSegment) {
        if (startsSegment) {
            close();
            open();
        }
        xml.Line(text.Position(point, ','));
    });
    close();
    if (facts.segments > 1) xml.Close();
}

// A line with any time (or a single position) is a gx:Track, so every time
// stays on its point; one without is a LineString.
void WriteLine(XmlWriter& xml, const PointSet& set, const LineFacts& facts) {
    const bool tracks = facts.someTimes || facts.valid == 1;
    xml.Open("Placemark");
    if (!set.title.empty()) xml.Element("name", set.title);
    xml.Open("ExtendedData");
    WriteData(xml, "kind", set.kind == VEZUVED_KIND_ROUTE ? "route" : "track");
    xml.Close();
    if (tracks) {
        WriteTracks(xml, set, facts);
    } else {
        WriteLineStrings(xml, set, facts);
    }
    xml.Close();
    if (!facts.names && !facts.descriptions && !facts.symbols) return;
    size_t index = 0;
    ForEachValidPoint(set, [&](const Point& point, bool) {
        if (!point.name.empty() || !DescriptionOf(point).empty() || !point.icon.empty()) {
            WritePointPlacemark(xml, point, index);
        }
        ++index;
    });
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

void WriteKml(DocumentSink& sink, const std::vector<PointSet>& sets, const std::vector<LineFacts>& facts) {
    XmlWriter xml(sink);
    xml.Open(
        "kml",
        {{"xmlns", "http://www.opengis.net/kml/2.2"}, {"xmlns:gx", "http://www.google.com/kml/ext/2.2"}});
    xml.Open("Document");
    const std::string name = DocumentName(sets);
    if (!name.empty()) xml.Element("name", name);
    for (size_t i = 0; i < sets.size(); ++i) {
        const PointSet& set = sets[i];
        if (facts[i].valid == 0) continue;  // an empty folder would be a layer without a geometry type
        xml.Open("Folder");
        if (!set.title.empty()) xml.Element("name", set.title);
        if (IsLine(set)) {
            WriteLine(xml, set, facts[i]);
        } else {
            ForEachValidPoint(set, [&](const Point& point, bool) { WritePointPlacemark(xml, point); });
        }
        xml.Close();
    }
    xml.Finish();
}

void WriteKml(DocumentSink& sink, const std::vector<PointSet>& sets) {
    WriteKml(sink, sets, ScanLines(sets));
}

}  // namespace vezuved::maps
