#include "maps/gpx_writer.h"

#include <algorithm>

#include "maps/line_walk.h"
#include "maps/xml_fragment.h"
#include "maps/xml_writer.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

constexpr const char* kSensorSpace = "http://www.garmin.com/xmlschemas/TrackPointExtension/v2";

// The point's extras from first up to (not including) last, as GPX's own elements.
void WriteExtras(XmlWriter& xml, const PointExtras* extras, PointExtra first, PointExtra last) {
    if (extras == nullptr) return;
    for (const auto& [extra, text] : extras->values) {
        if (extra < first || extra >= last) continue;
        if (NamesOf(extra).place == GpxPlace::PointXml) {
            xml.Raw(text);
        } else {
            xml.Element(NamesOf(extra).gpx, text);
        }
    }
}

bool HasSensorValues(const PointExtras* extras) {
    return extras != nullptr && std::any_of(extras->values.begin(),
                                            extras->values.end(),
                                            [](const auto& value) { return NamesOf(value.first).sensor(); });
}

// A sensor's values in a TrackPointExtension, then the other extensions as read.
void WriteExtensions(XmlWriter& xml, const PointExtras* extras) {
    const std::string* other = extras != nullptr ? extras->Find(PointExtra::Extensions) : nullptr;
    const bool sensors = HasSensorValues(extras);
    if (!sensors && other == nullptr) return;
    xml.Open("extensions");
    if (sensors) {
        xml.Open("gpxtpx:TrackPointExtension");
        for (const auto& [extra, text] : extras->values) {
            if (NamesOf(extra).sensor()) xml.Element(std::string("gpxtpx:") + NamesOf(extra).gpx, text);
        }
        xml.Close();
    }
    if (other != nullptr) xml.Raw(*other);
    xml.Close();
}

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
    const PointExtras* extras = point.extras.get();
    WriteExtras(xml, extras, PointExtra::MagneticVariation, PointExtra::Comment);
    if (!point.name.empty()) xml.Element("name", point.name);
    WriteExtras(xml, extras, PointExtra::Comment, PointExtra::Source);
    if (!DescriptionOf(point).empty()) xml.Element("desc", DescriptionOf(point));
    WriteExtras(xml, extras, PointExtra::Source, PointExtra::Type);
    if (!point.icon.empty()) xml.Element("sym", point.icon);
    WriteExtras(xml, extras, PointExtra::Type, PointExtra::Folder);
    WriteExtensions(xml, extras);
    xml.Close();
}

// The set's texts of the given keys, in that order (the schema's); its
// links and extensions are the XML they were read as.
void WriteSetTexts(XmlWriter& xml, const PointSet& set, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const std::string_view element = std::string_view(key).substr(std::string_view(key).find(':') + 1);
        for (const auto& [name, text] : set.extras) {
            if (name != key) continue;
            const bool extensions =
                element.size() >= 10 && element.substr(element.size() - 10) == "extensions";
            if (element == "author") {
                xml.Element("name", text);  // the author's name: the rest of it follows
            } else if (extensions) {
                xml.Open("extensions");
                xml.Raw(text);
                xml.Close();
            } else if (IsKeptXml(key)) {
                xml.Raw(text);
            } else {
                xml.Element(element, text);
            }
        }
    }
}

// Whether any held point has a sensor's value (read again, a text has none).
bool HasSensors(const std::vector<PointSet>& sets) {
    for (const PointSet& set : sets) {
        for (const Point& point : set.points) {
            if (HasSensorValues(point.extras.get())) return true;
        }
    }
    return false;
}

// The metadata of the first set that has any.
const PointSet* MetadataSet(const std::vector<PointSet>& sets) {
    for (const PointSet& set : sets) {
        for (const auto& [name, text] : set.extras) {
            if (name.rfind("metadata:", 0) == 0) return &set;
        }
    }
    return nullptr;
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
    std::vector<XmlAttribute> root = {
        {"version", "1.1"},
        {"creator", creator},
        {"xmlns", "http://www.topografix.com/GPX/1/1"},
        {"xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"},
        {"xsi:schemaLocation",
         "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"}};
    if (HasSensors(sets)) root.insert(root.begin() + 3, {"xmlns:gpxtpx", kSensorSpace});
    xml.Open("gpx", root);
    const PointSet* metadata = MetadataSet(sets);
    const bool named = sets.size() == 1 && !sets[0].title.empty();
    if (named || metadata != nullptr) {
        xml.Open("metadata");
        if (named) xml.Element("name", sets[0].title);
        if (metadata != nullptr) {
            WriteSetTexts(xml, *metadata, {"metadata:desc"});
            const bool author =
                std::any_of(metadata->extras.begin(), metadata->extras.end(), [](const auto& text) {
                    return text.first.rfind("metadata:author", 0) == 0;
                });
            if (author) {
                xml.Open("author");
                WriteSetTexts(
                    xml, *metadata, {"metadata:author", "metadata:author-email", "metadata:author-link"});
                xml.Close();
            }
            WriteSetTexts(xml,
                          *metadata,
                          {"metadata:copyright", "metadata:link", "metadata:time", "metadata:keywords"});
            WriteSetTexts(xml, *metadata, {"metadata:extensions"});
        }
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
                WriteSetTexts(xml, set, {"cmt", "desc", "src", "link", "number", "type", "extensions"});
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
    if (metadata != nullptr) WriteSetTexts(xml, *metadata, {"metadata:file-extensions"});
    xml.Finish();
}

}  // namespace vezuved::maps
