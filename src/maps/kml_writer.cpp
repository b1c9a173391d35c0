#include "maps/kml_writer.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "maps/xml_writer.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

void WriteData(XmlWriter& xml, std::string_view name, std::string_view value) {
    xml.Open("Data", {{"name", name}});
    xml.Element("value", value);
    xml.Close();
}

// A waypoint. Children in the order KML's schema gives a Placemark.
void WritePointPlacemark(XmlWriter& xml, const Point& point) {
    PointText text;
    xml.Open("Placemark");
    if (!point.name.empty()) xml.Element("name", point.name);
    if (!DescriptionOf(point).empty()) xml.Element("description", DescriptionOf(point));
    const std::string* end = point.extras ? point.extras->Find(PointExtra::TimeEnd) : nullptr;
    if (end != nullptr) {
        xml.Open("TimeSpan");
        if (point.time) xml.Element("begin", text.Time(point));
        xml.Element("end", *end);
        xml.Close();
    } else if (point.time) {
        xml.Open("TimeStamp");
        xml.Element("when", text.Time(point));
        xml.Close();
    }
    // KML's own values (its Folder, its TimeSpan's end) are its structure, not data.
    std::vector<std::pair<const char*, const std::string*>> data;
    if (!point.icon.empty()) data.push_back({"sym", &point.icon});
    if (point.extras) {
        for (const auto& [extra, text] : point.extras->values)
            if (NamesOf(extra).place != GpxPlace::None) data.push_back({NamesOf(extra).kml, &text});
    }
    if (!data.empty()) {
        xml.Open("ExtendedData");
        for (const auto& [name, value] : data) WriteData(xml, name, *value);
        xml.Close();
    }
    xml.Open("Point");
    if (WrittenElevation(point)) xml.Element("altitudeMode", "absolute");
    // "longitude,latitude[,altitude]", as a Point and a LineString hold it.
    xml.Element("coordinates", text.Position(point, ','));
    xml.Close();
    xml.Close();
}

// Waypoints, each in the Folders its path names ("Trips/Alps"): a Folder
// stays open while the waypoints that follow stand in it.
void WriteWaypoints(XmlWriter& xml, const PointSet& set) {
    std::vector<std::string> open;
    ForEachValidPoint(set, [&](const Point& point, bool) {
        const std::string* folder = point.extras ? point.extras->Find(PointExtra::Folder) : nullptr;
        std::vector<std::string_view> path;
        for (std::string_view rest = folder ? *folder : std::string_view(); !rest.empty();) {
            const size_t slash = std::min(rest.find('/'), rest.size());
            path.push_back(rest.substr(0, slash));
            rest.remove_prefix(std::min(slash + 1, rest.size()));
        }
        size_t common = 0;
        while (common < open.size() && common < path.size() && open[common] == path[common]) ++common;
        for (; open.size() > common; open.pop_back()) xml.Close();
        for (; open.size() < path.size(); open.emplace_back(path[open.size()])) {
            xml.Open("Folder");
            xml.Element("name", path[open.size()]);
        }
        WritePointPlacemark(xml, point);
    });
    for (; !open.empty(); open.pop_back()) xml.Close();
}

// The per-point arrays a line carries beside its positions, so its named
// points stay points of the line (a Placemark each would be a waypoint to
// every other reader).
constexpr const char* kPointSchema = "vezuved_point";

struct PointArrays {
    bool names = false;
    bool descriptions = false;
    bool symbols = false;
    bool times = false;   // only where the geometry cannot hold them (a LineString)
    uint32_t extras = 0;  // a bit for each PointExtra some point has
    bool any() const { return names || descriptions || symbols || times || extras != 0; }
};

PointArrays ArraysOf(const LineFacts& facts, bool track) {
    return {facts.names, facts.descriptions, facts.symbols, facts.someTimes && !track, facts.extras};
}

// Each PointExtra of the bits, in order.
template <typename Visit>
void ForEachExtra(uint32_t bits, Visit&& visit) {
    for (size_t i = 0; i < kPointExtraCount; ++i) {
        if (bits & (1u << i)) visit(static_cast<PointExtra>(i));
    }
}

std::string_view ExtraOf(const Point& point, PointExtra extra) {
    const std::string* text = point.extras ? point.extras->Find(extra) : nullptr;
    return text != nullptr ? std::string_view(*text) : std::string_view();
}

// A name and its value, of a Placemark's own.
using NamedText = std::pair<std::string_view, std::string_view>;

// <SchemaData> with the Placemark's own values as SimpleData (GDAL reads no
// Data beside a SchemaData), then one gx:SimpleArrayData per array, a
// <gx:value> per point that walk visits, in the line's order.
template <typename Walk>
void WriteArrays(XmlWriter& xml,
                 const PointArrays& arrays,
                 Walk&& walk,
                 const std::vector<NamedText>& own = std::vector<NamedText>()) {
    PointText text;
    const std::string url = std::string("#") + kPointSchema;
    xml.Open("SchemaData", {{"schemaUrl", url}});
    for (const auto& [name, value] : own) xml.Element("SimpleData", {{"name", name}}, value);
    auto array = [&](const char* name, auto&& value) {
        xml.Open("gx:SimpleArrayData", {{"name", name}});
        walk([&](const Point& point) { xml.Element("gx:value", value(point)); });
        xml.Close();
    };
    if (arrays.times) array("when", [&](const Point& point) { return text.Time(point); });
    if (arrays.names) array("name", [](const Point& point) { return std::string_view(point.name); });
    if (arrays.descriptions) array("description", [](const Point& point) { return DescriptionOf(point); });
    if (arrays.symbols) array("sym", [](const Point& point) { return std::string_view(point.icon); });
    ForEachExtra(arrays.extras, [&](PointExtra extra) {
        array(NamesOf(extra).kml, [extra](const Point& point) { return ExtraOf(point, extra); });
    });
    xml.Close();
}

// A gx:Track: every <when>, then every <gx:coord> (three numbers each, as
// the extension requires), paired by their order; a point without a time
// has an empty <when/>, which keeps the pairs in step. Its points' arrays
// follow in its own ExtendedData.
template <typename Walk>
void WriteTrack(XmlWriter& xml, const PointArrays& arrays, Walk&& walk) {
    PointText text;
    xml.Open("gx:Track");
    xml.Element("altitudeMode", "absolute");
    walk([&](const Point& point) {
        if (point.time) {
            xml.Element("when", text.Time(point));
        } else {
            xml.Empty("when", {});
        }
    });
    walk([&](const Point& point) { xml.Element("gx:coord", text.Position(point, ' ')); });
    if (arrays.any()) {
        xml.Open("ExtendedData");
        WriteArrays(xml, arrays, walk);
        xml.Close();
    }
    xml.Close();
}

template <typename Walk>
void WriteLineString(XmlWriter& xml, bool elevations, Walk&& walk) {
    PointText text;
    xml.Open("LineString");
    xml.Element("tessellate", "1");
    if (elevations) xml.Element("altitudeMode", "absolute");
    xml.Open("coordinates");
    walk([&](const Point& point) { xml.Line(text.Position(point, ',')); });
    xml.Close();
    xml.Close();
}

// A line's text written as its Data (its description has an element).
bool IsOwnLineText(const std::string& key) { return key != "desc" && key.rfind("metadata:", 0) != 0; }

// A line's Placemark up to its geometry: its name, and what it is (and,
// for a part after the first, how it joins the one before: "segment" or
// "run"); a LineString's point arrays with them.
template <typename Walk>
void OpenLinePlacemark(
    XmlWriter& xml, const PointSet& set, std::string_view joins, const PointArrays& lineArrays, Walk&& walk) {
    xml.Open("Placemark");
    if (!set.title.empty()) xml.Element("name", set.title);
    // Its texts on its first part: the description KML has, the others as Data.
    for (const auto& [key, text] : set.extras) {
        if (key == "desc" && joins.empty()) xml.Element("description", text);
    }
    std::vector<NamedText> own = {{"kind", set.kind == VEZUVED_KIND_ROUTE ? "route" : "track"}};
    if (!joins.empty()) own.push_back({"part", joins});
    for (const auto& [key, text] : set.extras) {
        if (IsOwnLineText(key) && joins.empty()) own.push_back({key, text});
    }
    xml.Open("ExtendedData");
    if (lineArrays.any()) {
        WriteArrays(xml, lineArrays, walk, own);
    } else {
        for (const auto& [name, value] : own) WriteData(xml, name, value);
    }
    xml.Close();
}

// A route or track. A line with any time (or a single position) is a
// gx:Track, so every time stays on its point; one without is a LineString;
// several segments make a gx:MultiTrack or a MultiGeometry. A gx:coord
// needs an elevation, and no reader must be handed an invented one, so a
// line whose points have elevations only in places is written a Placemark
// per run of points with and without them, each later one marked as
// continuing the line; the runs without are LineStrings, their times kept
// in an array.
void WriteLine(XmlWriter& xml, const PointSet& set, const LineFacts& facts) {
    const bool timed = facts.someTimes || facts.valid == 1;
    const bool byElevation = facts.someElevations && facts.someWithoutElevation;
    if (byElevation) {
        bool first = true;
        ForEachPart(set, true, [&](auto&& walk, const LinePart& part) {
            const bool track = timed && part.elevations;
            const PointArrays arrays = ArraysOf(facts, track);
            const std::string_view joins = first ? "" : part.startsSegment ? "segment" : "run";
            OpenLinePlacemark(xml, set, joins, track ? PointArrays() : arrays, walk);
            if (track) {
                WriteTrack(xml, arrays, walk);
            } else {
                WriteLineString(xml, part.elevations, walk);
            }
            xml.Close();
            first = false;
        });
        return;
    }
    const bool track = timed && facts.someElevations;
    const PointArrays arrays = ArraysOf(facts, track);
    auto wholeLine = [&](auto&& visit) { ForEachValidPoint(set, [&](const Point& p, bool) { visit(p); }); };
    OpenLinePlacemark(xml, set, "", track ? PointArrays() : arrays, wholeLine);
    if (facts.segments > 1) xml.Open(track ? "gx:MultiTrack" : "MultiGeometry");
    ForEachPart(set, false, [&](auto&& walk, const LinePart&) {
        if (track) {
            WriteTrack(xml, arrays, walk);
        } else {
            WriteLineString(xml, facts.someElevations, walk);
        }
    });
    if (facts.segments > 1) xml.Close();
    xml.Close();
}

// The schema of the lines' point arrays, when any line has one.
void WritePointSchema(XmlWriter& xml,
                      const std::vector<PointSet>& sets,
                      const std::vector<LineFacts>& facts) {
    bool needed = false;
    uint32_t extras = 0;
    std::vector<std::string_view> own = {"kind", "part"};  // of a Placemark with arrays
    for (size_t i = 0; i < sets.size(); ++i) {
        if (!IsLine(sets[i]) || facts[i].valid == 0) continue;
        needed = needed || ArraysOf(facts[i], false).any();
        extras |= facts[i].extras;
        for (const auto& [key, text] : sets[i].extras) {
            if (IsOwnLineText(key) && std::find(own.begin(), own.end(), key) == own.end()) own.push_back(key);
        }
    }
    if (!needed) return;
    xml.Open("Schema", {{"name", kPointSchema}, {"id", kPointSchema}});
    for (std::string_view name : own) xml.Empty("SimpleField", {{"name", name}, {"type", "string"}});
    for (const char* name : {"when", "name", "description", "sym"}) {
        xml.Empty("gx:SimpleArrayField", {{"name", name}, {"type", "string"}});
    }
    ForEachExtra(extras, [&](PointExtra extra) {
        xml.Empty("gx:SimpleArrayField", {{"name", NamesOf(extra).kml}, {"type", "string"}});
    });
    xml.Close();
}

// The file's own texts (GPX's metadata), as the Document's Data.
void WriteMetadata(XmlWriter& xml, const std::vector<PointSet>& sets) {
    bool open = false;
    for (const PointSet& set : sets) {
        for (const auto& [key, text] : set.extras) {
            if (key.rfind("metadata:", 0) != 0) continue;
            if (!open) xml.Open("ExtendedData");
            open = true;
            WriteData(xml, key, text);
        }
        if (open) break;
    }
    if (open) xml.Close();
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
    WriteMetadata(xml, sets);
    WritePointSchema(xml, sets, facts);
    for (size_t i = 0; i < sets.size(); ++i) {
        const PointSet& set = sets[i];
        if (facts[i].valid == 0) continue;  // an empty folder would be a layer without a geometry type
        xml.Open("Folder");
        if (!set.title.empty()) xml.Element("name", set.title);
        if (IsLine(set) && set.reread && facts[i].someElevations && facts[i].someWithoutElevation) {
            // Its runs would each read the file again: held once instead.
            PointSet held;
            held.title = set.title;
            held.kind = set.kind;
            held.extras = set.extras;
            ForEachPoint(set, [&](const Point& point) { held.points.push_back(point); });
            WriteLine(xml, held, facts[i]);
        } else if (IsLine(set)) {
            WriteLine(xml, set, facts[i]);
        } else {
            WriteWaypoints(xml, set);
        }
        xml.Close();
    }
    xml.Finish();
}

void WriteKml(DocumentSink& sink, const std::vector<PointSet>& sets) {
    WriteKml(sink, sets, ScanLines(sets));
}

}  // namespace vezuved::maps
