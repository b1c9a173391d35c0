#include "output/geojson_output.h"

#include "output/json_writer.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

void WritePosition(JsonWriter& json, const Point& point) {
    json.BeginArray();
    json.Number(NormalizedLongitude(*point.longitude));
    json.Number(*point.latitude);
    if (point.elevationMetres) json.Number(*point.elevationMetres);
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

void WritePointFeature(JsonWriter& json, const Point& point, size_t index) {
    BeginFeatureGeometry(json, "Point");
    json.Key("coordinates");
    WritePosition(json, point);
    json.EndObject();
    json.Key("properties");
    json.BeginObject();
    json.Key("index");
    json.Number(static_cast<double>(index));
    WriteStringOrNull(json, "name", point.name);
    WriteStringOrNull(json, "time", IsoTime(point));
    WriteStringOrNull(json, "icon", point.icon);
    WriteStringOrNull(json, "description", point.description.value_or(""));
    json.EndObject();
    json.EndObject();
}

const char* KindText(int32_t kind) {
    return kind == VEZUVED_KIND_ROUTE ? "route" : kind == VEZUVED_KIND_TRACK ? "track" : "points";
}

}  // namespace

std::string WriteGeoJson(const std::vector<PointSet>& sets) {
    JsonWriter json;
    json.BeginObject();
    json.Key("type");
    json.String("FeatureCollection");
    json.Key("features");
    json.BeginArray();
    for (const PointSet& set : sets) {
        size_t valid = 0;
        for (size_t i = 0; i < set.points.size(); ++i) {
            if (!HasValidPosition(set.points[i])) continue;
            WritePointFeature(json, set.points[i], i);
            ++valid;
        }
        // A LineString needs two positions at least.
        if ((set.kind == VEZUVED_KIND_ROUTE || set.kind == VEZUVED_KIND_TRACK) && valid >= 2) {
            BeginFeatureGeometry(json, "LineString");
            json.Key("coordinates");
            json.BeginArray();
            for (const Point& point : set.points) {
                if (HasValidPosition(point)) WritePosition(json, point);
            }
            json.EndArray();
            json.EndObject();
            json.Key("properties");
            json.BeginObject();
            WriteStringOrNull(json, "name", set.title);
            json.Key("kind");
            json.String(KindText(set.kind));
            json.EndObject();
            json.EndObject();
        }
    }
    json.EndArray();
    json.EndObject();
    return json.Finish();
}

}  // namespace vezuved_cli
