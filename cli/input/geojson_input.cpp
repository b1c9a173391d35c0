// GeoJSON (RFC 7946): a FeatureCollection, a Feature or a bare geometry.
// Points and MultiPoints are waypoints; a LineString is a track, or a route
// when its properties say "kind": "route"; the lines of a MultiLineString
// are joined in order into one track, as the segments of a GPX track are.
// Polygons hold no points of a route or track and are passed over.
#include "input/map_input.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "input/set_collector.h"
#include "support/failure.h"

#if defined(VEZUVED_HAVE_NLOHMANN_JSON)
#include <nlohmann/json.hpp>
#endif

namespace vezuved_cli {

#if defined(VEZUVED_HAVE_NLOHMANN_JSON)
namespace {

using Json = nlohmann::json;

constexpr int kDeepestCollection = 64;

const Json* Member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::string Text(const Json& object, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) return "";
    if (value->is_string()) return value->get<std::string>();
    return value->dump();
}

// The first of the keys that holds a text.
std::string FirstText(const Json& object, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (std::string text = Text(object, key); !text.empty()) return text;
    }
    return "";
}

class GeoJsonReader {
public:
    explicit GeoJsonReader(const std::string& what) : what_(what), sets_(what) {}

    void Read(const Json& root) {
        if (!root.is_object()) Fail("its top is no JSON object");
        const std::string type = Text(root, "type");
        if (type == "FeatureCollection") {
            const Json* features = Member(root, "features");
            if (features == nullptr || !features->is_array()) Fail("its FeatureCollection has no \"features\" list");
            for (const Json& feature : *features) Feature(feature);
        } else if (type == "Feature") {
            Feature(root);
        } else if (IsGeometry(type)) {
            Geometry(root, Json::object());
        } else {
            Fail("it is no GeoJSON (its type is '" + type + "')");
        }
    }

    std::vector<PointSet> Finish() {
        if (skipped_ > 0) {
            std::cerr << "vezuved: '" << what_ << "': " << skipped_
                      << " polygon geometry(ies) hold no waypoints, routes or tracks and are left out\n";
        }
        return sets_.Finish();
    }

private:
    [[noreturn]] void Fail(const std::string& cause) { FailConversion("cannot read '" + what_ + "': " + cause); }

    static bool IsGeometry(const std::string& type) {
        return type == "Point" || type == "MultiPoint" || type == "LineString" || type == "MultiLineString" ||
               type == "Polygon" || type == "MultiPolygon" || type == "GeometryCollection";
    }

    void Feature(const Json& feature) {
        if (Text(feature, "type") != "Feature") Fail("a member of \"features\" is no Feature");
        const Json* geometry = Member(feature, "geometry");
        if (geometry == nullptr) return;  // a feature without a place
        const Json* properties = Member(feature, "properties");
        Geometry(*geometry, properties != nullptr && properties->is_object() ? *properties : Json::object());
    }

    void Geometry(const Json& geometry, const Json& properties, int depth = 0) {
        const std::string type = Text(geometry, "type");
        const Json* coordinates = Member(geometry, "coordinates");
        const Json* times = Member(properties, "coordTimes");
        if (type == "GeometryCollection") {
            const Json* members = Member(geometry, "geometries");
            if (members == nullptr || !members->is_array()) Fail("a GeometryCollection has no \"geometries\" list");
            // Collections in collections are read by recursion: a bound keeps
            // a hostile file from exhausting the stack.
            if (depth >= kDeepestCollection) Fail("its GeometryCollections nest deeper than 64");
            for (const Json& member : *members) Geometry(member, properties, depth + 1);
            return;
        }
        if (type == "Polygon" || type == "MultiPolygon") {
            ++skipped_;
            return;
        }
        if (!IsGeometry(type)) Fail("'" + type + "' is no GeoJSON geometry type");
        if (coordinates == nullptr || !coordinates->is_array()) Fail("a " + type + " has no \"coordinates\" list");
        if (type == "Point") {
            Point point = Position(*coordinates);
            Describe(point, properties);
            sets_.AddWaypoint(std::move(point));
        } else if (type == "MultiPoint") {
            for (size_t i = 0; i < coordinates->size(); ++i) {
                Point point = Position((*coordinates)[i]);
                Describe(point, properties);
                if (times != nullptr) point.time = TimeAt(*times, i);
                sets_.AddWaypoint(std::move(point));
            }
        } else {
            const bool route = Text(properties, "kind") == "route";
            sets_.BeginLine(route ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK, Text(properties, "name"));
            if (type == "LineString") {
                Line(*coordinates, times);
            } else {
                for (size_t i = 0; i < coordinates->size(); ++i) {
                    const Json* lineTimes = times != nullptr && times->is_array() && i < times->size() &&
                                                    (*times)[i].is_array()
                                                ? &(*times)[i]
                                                : nullptr;
                    Line((*coordinates)[i], lineTimes);
                }
            }
        }
    }

    void Line(const Json& positions, const Json* times) {
        if (!positions.is_array()) Fail("a line's coordinates are no list of positions");
        for (size_t i = 0; i < positions.size(); ++i) {
            Point point = Position(positions[i]);
            if (times != nullptr) point.time = TimeAt(*times, i);
            sets_.AddLinePoint(std::move(point));
        }
    }

    std::optional<int64_t> TimeAt(const Json& times, size_t i) {
        if (!times.is_array() || i >= times.size() || !times[i].is_string()) return std::nullopt;
        return sets_.Time(times[i].get<std::string>());
    }

    Point Position(const Json& position) {
        if (!position.is_array() || position.size() < 2 || !position[0].is_number() || !position[1].is_number()) {
            Fail("'" + position.dump().substr(0, 64) + "' is no position [longitude, latitude]");
        }
        Point point;
        point.longitude = position[0].get<double>();
        point.latitude = position[1].get<double>();
        if (position.size() > 2 && position[2].is_number()) SetElevation(point, position[2].get<double>());
        return point;
    }

    void Describe(Point& point, const Json& properties) {
        point.name = Text(properties, "name");
        point.icon = FirstText(properties, {"sym", "icon"});
        if (const Json* desc = Member(properties, "desc"); desc != nullptr) {
            point.description = Text(properties, "desc");
        } else if (Member(properties, "description") != nullptr) {
            point.description = Text(properties, "description");
        }
        if (!point.elevationMetres) {
            for (const char* key : {"ele", "elevation"}) {
                const Json* value = Member(properties, key);
                if (value != nullptr && value->is_number()) {
                    SetElevation(point, value->get<double>());
                    break;
                }
            }
        }
        if (const std::string time = Text(properties, "time"); !time.empty()) point.time = sets_.Time(time);
    }

    std::string what_;
    SetCollector sets_;
    size_t skipped_ = 0;
};

// Line and column of a byte offset, for the message of a parse error.
std::string Where(const std::string& text, size_t byte) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + " (byte " +
           std::to_string(byte) + ")";
}

}  // namespace

std::vector<PointSet> ReadGeoJson(const std::string& path, const std::string& what) {
    std::ifstream file(path, std::ios::binary);
    if (!file) FailConversion("cannot read '" + what + "': the file cannot be opened");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (file.bad()) FailConversion("cannot read '" + what + "': the file cannot be read to its end");
    Json root;
    {
        const std::string text = bytes.str();
        bytes.str(std::string());
        try {
            root = Json::parse(text);
        } catch (const Json::parse_error& error) {
            // The library's own text starts with its exception's name.
            std::string cause = error.what();
            const size_t column = cause.find("column");
            const size_t colon = cause.find(": ", column == std::string::npos ? 0 : column);
            if (colon != std::string::npos) cause.erase(0, colon + 2);
            FailConversion("cannot read '" + what + "': " + Where(text, error.byte == 0 ? 0 : error.byte - 1) +
                           ": " + cause);
        }
    }
    GeoJsonReader reader(what);
    try {
        reader.Read(root);
    } catch (const Json::exception& error) {
        FailConversion("cannot read '" + what + "': " + error.what());
    }
    return reader.Finish();
}

#else

std::vector<PointSet> ReadGeoJson(const std::string&, const std::string&) {
    FailConversion("reading GeoJSON needs a build with nlohmann/json");
}

#endif

}  // namespace vezuved_cli
