#include "maps/geojson_writer.h"

#include "maps/json_writer.h"
#include "maps/line_walk.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

// [longitude, latitude] with the elevation third only where the point has one.
void WritePosition(JsonWriter& json, const Point& point) {
    char text[kFixedTextSize];
    json.BeginInlineArray();
    json.RawNumber(std::string_view(text, WriteDegrees(NormalizedLongitude(*point.longitude), text)));
    json.RawNumber(std::string_view(text, WriteDegrees(*point.latitude, text)));
    if (WrittenElevation(point)) json.RawNumber(std::string_view(text, WriteMetres(point, text)));
    json.EndArray();
}

void StringOrNull(JsonWriter& json, std::string_view text) {
    if (text.empty()) {
        json.Null();
    } else {
        json.String(text);
    }
}

void WriteStringOrNull(JsonWriter& json, std::string_view key, std::string_view text) {
    json.Key(key);
    StringOrNull(json, text);
}

// Opens a Feature and its geometry of the given type.
void BeginFeatureGeometry(JsonWriter& json, const char* geometryType) {
    json.BeginObject();
    json.Key("type");
    json.String("Feature");
    json.Key("geometry");
    json.BeginObject();
    json.Key("type");
    json.String(geometryType);
}

void WritePointFeature(JsonWriter& json, const Point& point) {
    BeginFeatureGeometry(json, "Point");
    json.Key("coordinates");
    WritePosition(json, point);
    json.EndObject();
    json.Key("properties");
    json.BeginObject();
    WriteStringOrNull(json, "name", point.name);
    if (WrittenElevation(point)) {
        char text[kFixedTextSize];
        json.Key("ele");
        json.RawNumber(std::string_view(text, WriteMetres(point, text)));
    }
    WriteStringOrNull(json, "time", IsoTime(point));
    WriteStringOrNull(json, "desc", DescriptionOf(point));
    WriteStringOrNull(json, "sym", point.icon);
    if (point.extras) {
        for (const auto& [extra, text] : point.extras->values) {
            json.Key(NamesOf(extra).gpx);
            json.String(text);
        }
    }
    json.EndObject();
    json.EndObject();
}

// The line's valid positions as the geometry's coordinates, or a value of
// each, under key: one array, or for several segments an array per segment;
// a one-point line has one flat array (of one value) like a LineString.
template <typename WriteValue>
void WritePerPosition(JsonWriter& json, const PointSet& set, const LineFacts& facts, WriteValue writeValue) {
    const bool nested = facts.segments > 1;  // each segment counted holds a valid position
    json.BeginArray();
    if (nested) json.BeginArray();
    ForEachValidPoint(set, [&](const Point& point, bool startsSegment) {
        if (nested && startsSegment) {
            json.EndArray();
            json.BeginArray();
        }
        writeValue(point);
    });
    if (nested) json.EndArray();
    json.EndArray();
}

template <typename Text>
void WriteTexts(JsonWriter& json, const char* key, const PointSet& set, const LineFacts& facts, Text text) {
    json.Key(key);
    WritePerPosition(json, set, facts, [&](const Point& point) { StringOrNull(json, text(point)); });
}

// A line of one position is a Point, told from a waypoint by its "kind".
void WriteLineFeature(JsonWriter& json, const PointSet& set, const LineFacts& facts) {
    if (facts.valid == 1) {
        BeginFeatureGeometry(json, "Point");
        json.Key("coordinates");
        ForEachValidPoint(set, [&](const Point& point, bool) { WritePosition(json, point); });
    } else {
        BeginFeatureGeometry(json, facts.segments > 1 ? "MultiLineString" : "LineString");
        json.Key("coordinates");
        WritePerPosition(json, set, facts, [&](const Point& point) { WritePosition(json, point); });
    }
    json.EndObject();
    json.Key("properties");
    json.BeginObject();
    WriteStringOrNull(json, "name", set.title);
    json.Key("kind");
    json.String(set.kind == VEZUVED_KIND_ROUTE ? "route" : "track");
    // Each only when some position has the value, null where one lacks it.
    PointText text;
    if (facts.someTimes)
        WriteTexts(json, "coordTimes", set, facts, [&text](const Point& p) { return text.Time(p); });
    if (facts.names)
        WriteTexts(json, "coordNames", set, facts, [](const Point& p) -> std::string_view { return p.name; });
    if (facts.descriptions) {
        WriteTexts(json, "coordDescriptions", set, facts, [](const Point& p) { return DescriptionOf(p); });
    }
    if (facts.symbols)
        WriteTexts(
            json, "coordSymbols", set, facts, [](const Point& p) -> std::string_view { return p.icon; });
    // The points' other values, a list each by GPX's name ("hr", "hdop").
    if (facts.extras != 0) {
        json.Key("coordExtras");
        json.BeginObject();
        for (size_t i = 0; i < kPointExtraCount; ++i) {
            if ((facts.extras & (1u << i)) == 0) continue;
            const PointExtra extra = static_cast<PointExtra>(i);
            WriteTexts(json, NamesOf(extra).gpx, set, facts, [extra](const Point& p) -> std::string_view {
                const std::string* text = p.extras ? p.extras->Find(extra) : nullptr;
                return text != nullptr ? std::string_view(*text) : std::string_view();
            });
        }
        json.EndObject();
    }
    // The line's own texts (desc, type, ...).
    for (const auto& [key, text] : set.extras) {
        if (key.rfind("metadata:", 0) == 0) continue;
        json.Key(key);
        json.String(text);
    }
    json.EndObject();
    json.EndObject();
}

// The file's own texts (GPX's metadata) as the collection's "metadata"
// object, from the first set that has them.
void WriteMetadata(JsonWriter& json, const std::vector<PointSet>& sets) {
    for (const PointSet& set : sets) {
        bool open = false;
        for (const auto& [key, text] : set.extras) {
            if (key.rfind("metadata:", 0) != 0) continue;
            if (!open) {
                json.Key("metadata");
                json.BeginObject();
            }
            open = true;
            json.Key(std::string_view(key).substr(9));
            json.String(text);
        }
        if (open) {
            json.EndObject();
            return;
        }
    }
}

template <typename WriteFeatures>
void WriteCollection(DocumentSink& sink,
                     bool compact,
                     const std::vector<PointSet>& sets,
                     WriteFeatures writeFeatures) {
    JsonWriter json(sink, compact);
    json.BeginObject();
    json.Key("type");
    json.String("FeatureCollection");
    WriteMetadata(json, sets);
    json.Key("features");
    json.BeginArray();
    writeFeatures(json);
    json.EndArray();
    json.EndObject();
    json.Finish();
}

void WriteEveryPoint(JsonWriter& json, const PointSet& set) {
    ForEachValidPoint(set, [&](const Point& point, bool) { WritePointFeature(json, point); });
}

}  // namespace

void WriteGeoJson(DocumentSink& sink,
                  const std::vector<PointSet>& sets,
                  bool compact,
                  const std::vector<LineFacts>& facts) {
    WriteCollection(sink, compact, sets, [&](JsonWriter& json) {
        for (size_t i = 0; i < sets.size(); ++i) {
            if (!IsLine(sets[i])) {
                WriteEveryPoint(json, sets[i]);
            } else if (facts[i].valid > 0) {
                WriteLineFeature(json, sets[i], facts[i]);
            }
        }
    });
}

void WriteGeoJson(DocumentSink& sink, const std::vector<PointSet>& sets, bool compact) {
    WriteGeoJson(sink, sets, compact, ScanLines(sets));
}

void WriteGeoJsonPoints(DocumentSink& sink, const std::vector<PointSet>& sets, bool compact) {
    WriteCollection(sink, compact, sets, [&sets](JsonWriter& json) {
        for (const PointSet& set : sets) WriteEveryPoint(json, set);
    });
}

}  // namespace vezuved::maps
