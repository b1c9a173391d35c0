#include "output/geojson_output.h"

#include "output/json_writer.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

bool IsLine(const PointSet& set) { return set.kind == VEZUVED_KIND_ROUTE || set.kind == VEZUVED_KIND_TRACK; }

void WritePosition(JsonWriter& json, const Point& point, bool elevation) {
    json.BeginInlineArray();
    json.RawNumber(FormatFixed(NormalizedLongitude(*point.longitude), 7));
    json.RawNumber(FormatFixed(*point.latitude, 7));
    if (elevation) json.RawNumber(FormatFixed(*point.elevationMetres, 2));
    json.EndArray();
}

void WriteStringOrNull(JsonWriter& json, std::string_view key, const std::string& text) {
    json.Key(key);
    if (text.empty()) {
        json.Null();
    } else {
        json.String(text);
    }
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
    WritePosition(json, point, point.elevationMetres.has_value());
    json.EndObject();
    json.Key("properties");
    json.BeginObject();
    WriteStringOrNull(json, "name", point.name);
    if (point.elevationMetres) {
        json.Key("ele");
        json.RawNumber(FormatFixed(*point.elevationMetres, 2));
    }
    WriteStringOrNull(json, "time", IsoTime(point));
    WriteStringOrNull(json, "desc", point.description.value_or(""));
    WriteStringOrNull(json, "sym", point.icon);
    json.EndObject();
    json.EndObject();
}

void WriteLineFeature(JsonWriter& json, const PointSet& set, const LineFacts& facts) {
    // One dimension for the whole line: elevations only when every position has one.
    const bool elevations = facts.elevations;
    const bool times = facts.times;
    BeginFeatureGeometry(json, "LineString");
    json.Key("coordinates");
    json.BeginArray();
    ForEachPoint(set, [&](const Point& point) {
        if (HasValidPosition(point)) WritePosition(json, point, elevations);
    });
    json.EndArray();
    json.EndObject();
    json.Key("properties");
    json.BeginObject();
    WriteStringOrNull(json, "name", set.title);
    json.Key("kind");
    json.String(set.kind == VEZUVED_KIND_ROUTE ? "route" : "track");
    if (times) {
        json.Key("coordTimes");
        json.BeginArray();
        ForEachPoint(set, [&](const Point& point) {
            if (!HasValidPosition(point)) return;
            if (point.time) {
                json.String(IsoTime(point));
            } else {
                json.Null();
            }
        });
        json.EndArray();
    }
    json.EndObject();
    json.EndObject();
}

template <typename WriteFeatures>
void WriteCollection(TextSink& sink, bool compact, WriteFeatures writeFeatures) {
    JsonWriter json(sink, compact);
    json.BeginObject();
    json.Key("type");
    json.String("FeatureCollection");
    json.Key("features");
    json.BeginArray();
    writeFeatures(json);
    json.EndArray();
    json.EndObject();
    json.Finish();
}

void WriteEveryPoint(JsonWriter& json, const PointSet& set) {
    ForEachPoint(set, [&](const Point& point) {
        if (HasValidPosition(point)) WritePointFeature(json, point);
    });
}

}  // namespace

void WriteGeoJson(TextSink& sink, const std::vector<PointSet>& sets, bool compact) {
    WriteCollection(sink, compact, [&sets](JsonWriter& json) {
        for (const PointSet& set : sets) {
            // A LineString needs two positions; a single one stays a Point.
            const LineFacts facts = IsLine(set) ? ScanLine(set) : LineFacts();
            if (IsLine(set) && facts.valid >= 2) {
                WriteLineFeature(json, set, facts);
            } else {
                WriteEveryPoint(json, set);
            }
        }
    });
}

void WriteGeoJsonPoints(TextSink& sink, const std::vector<PointSet>& sets, bool compact) {
    WriteCollection(sink, compact, [&sets](JsonWriter& json) {
        for (const PointSet& set : sets) WriteEveryPoint(json, set);
    });
}

}  // namespace vezuved_cli
