// GeoJSON (RFC 7946): a FeatureCollection, a Feature or a bare geometry.
// Points and MultiPoints are waypoints; a feature's LineStrings (also in a
// MultiLineString or GeometryCollection) are one track, each line a segment
// of it, or a route when its properties say "kind": "route". A feature whose
// "kind" is "route" or "track" is that, whatever its geometry: a route or
// track of one point is written as a Point. Per-position properties
// ("coordTimes", "coordNames", "coordDescriptions", "coordSymbols", and
// togeojson's "coordinateProperties": {"times"}) are flat, or one list per
// line. Polygons hold no points of a route or track and are counted and
// passed over. Values the tool does not use are never walked. GDAL's
// spelling of KML's texts ("Name", "Description") is read too.
#include "maps/map_readers.h"

#include <algorithm>
#include <sstream>

#include "maps/map_failure.h"
#include "maps/set_collector.h"
#include "sets/number_text.h"

#if defined(VEZUVED_HAVE_NLOHMANN_JSON)
#include <nlohmann/json.hpp>
#endif

namespace vezuved::maps {

#if defined(VEZUVED_HAVE_NLOHMANN_JSON)
namespace {

using Json = nlohmann::json;

constexpr int kDeepestCollection = 64;
// Deeper JSON than this holds no GeoJSON the tool reads: refused while
// parsing, before anything could walk it.
constexpr int kDeepestJson = 512;

const Json* Member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

// A text value as it is; a number as its shortest text; anything else none.
std::string TextOf(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<int64_t>());
    if (value.is_number()) return FormatShortest(value.get<double>());
    if (value.is_boolean()) return value.get<bool>() ? "true" : "false";
    return "";
}

std::string Text(const Json& object, const char* key) {
    const Json* value = Member(object, key);
    return value == nullptr ? "" : TextOf(*value);
}

// What a value is, for a message: short, and never a walk of its inside.
std::string Shown(const Json& value) {
    if (value.is_array()) return "a list";
    if (value.is_object()) return "an object";
    if (value.is_null()) return "null";
    return "'" + TextOf(value).substr(0, 64) + "'";
}

// The first of the keys that holds a text.
std::string FirstText(const Json& object, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        if (std::string text = Text(object, key); !text.empty()) return text;
    }
    return "";
}

// A per-position property: one list for all positions, or one per line.
const Json* AtPosition(const Json* values, size_t line, size_t index, size_t overall) {
    if (values == nullptr || !values->is_array()) return nullptr;
    if (line < values->size() && (*values)[line].is_array()) {
        const Json& lineValues = (*values)[line];
        return index < lineValues.size() && !lineValues[index].is_null() ? &lineValues[index] : nullptr;
    }
    return overall < values->size() && !(*values)[overall].is_null() ? &(*values)[overall] : nullptr;
}

// The lines and single positions of a feature's geometry.
struct Shapes {
    std::vector<const Json*> points;  // positions
    std::vector<const Json*> lines;   // lists of positions
};

class GeoJsonReader {
public:
    GeoJsonReader(const std::string& what, bool strict, MapWarnings& warnings)
        : what_(what), sets_(what, strict, warnings) {}

    void Read(const Json& root) {
        if (!root.is_object()) Fail("its top is no JSON object");
        const std::string type = Text(root, "type");
        if (type == "FeatureCollection") {
            // The file's own texts, as a "metadata" object of texts.
            if (const Json* metadata = Member(root, "metadata");
                metadata != nullptr && metadata->is_object()) {
                for (const auto& [key, value] : metadata->items()) {
                    if (value.is_string()) metadata_.push_back({"metadata:" + key, value.get<std::string>()});
                }
            }
            const Json* features = Member(root, "features");
            if (features == nullptr || !features->is_array())
                Fail("its FeatureCollection has no \"features\" list");
            for (const Json& feature : *features) Feature(feature);
        } else if (type == "Feature") {
            Feature(root);
        } else if (IsGeometry(type)) {
            Place(root, Json::object());
        } else {
            Fail("it is no GeoJSON (its type is '" + type.substr(0, 64) + "')");
        }
    }

    std::vector<PointSet> Finish() {
        std::vector<PointSet> sets = sets_.Finish();
        sets.front().extras.insert(sets.front().extras.begin(), metadata_.begin(), metadata_.end());
        return sets;
    }

private:
    [[noreturn]] void Fail(const std::string& cause) { FailMap("cannot read '" + what_ + "': " + cause); }

    static bool IsGeometry(const std::string& type) {
        return type == "Point" || type == "MultiPoint" || type == "LineString" || type == "MultiLineString" ||
               type == "Polygon" || type == "MultiPolygon" || type == "GeometryCollection";
    }

    void Feature(const Json& feature) {
        if (Text(feature, "type") != "Feature") Fail("a member of \"features\" is no Feature");
        const Json* geometry = Member(feature, "geometry");
        if (geometry == nullptr) return;  // a feature without a place
        const Json* properties = Member(feature, "properties");
        Place(*geometry, properties != nullptr && properties->is_object() ? *properties : Json::object());
    }

    void Place(const Json& geometry, const Json& properties) {
        Shapes shapes;
        Gather(geometry, shapes, 0);
        const std::string kind = Text(properties, "kind");
        const bool line = kind == "route" || kind == "track";
        if (shapes.lines.empty() && !line) {
            Waypoints(shapes.points, properties, true);
            return;
        }
        sets_.BeginLine(kind == "route" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK,
                        std::string(TrimWhite(FirstText(properties, {"name", "Name"}))));
        // The line's own texts, by GPX's names.
        for (const char* key : {"cmt", "desc", "src", "link", "number", "type", "extensions"}) {
            const Json* value = Member(properties, key);
            if (value != nullptr && (value->is_string() || value->is_number()))
                sets_.CurrentLine()->extras.push_back({key, TextOf(*value)});
        }
        if (shapes.lines.empty()) {
            // A route or track of one point (or of the points of a MultiPoint).
            Line(shapes.points, 0, properties);
            return;
        }
        size_t overall = 0;
        for (size_t i = 0; i < shapes.lines.size(); ++i) {
            std::vector<const Json*> positions;
            for (const Json& position : *shapes.lines[i]) positions.push_back(&position);
            sets_.BeginSegment();
            overall = Line(positions, i, properties, overall);
        }
        // The per-position lists belong to the lines here.
        Waypoints(shapes.points, properties, false);
    }

    void Gather(const Json& geometry, Shapes& shapes, int depth) {
        const std::string type = Text(geometry, "type");
        if (type == "GeometryCollection") {
            const Json* members = Member(geometry, "geometries");
            if (members == nullptr || !members->is_array())
                Fail("a GeometryCollection has no \"geometries\" list");
            // Collections in collections are read by recursion: a bound keeps
            // a hostile file from exhausting the stack.
            if (depth >= kDeepestCollection) Fail("its GeometryCollections nest deeper than 64");
            for (const Json& member : *members) Gather(member, shapes, depth + 1);
            return;
        }
        if (type == "Polygon" || type == "MultiPolygon") {
            sets_.SkipPolygons(1);
            return;
        }
        if (!IsGeometry(type)) Fail("'" + type.substr(0, 64) + "' is no GeoJSON geometry type");
        const Json* coordinates = Member(geometry, "coordinates");
        if (coordinates == nullptr || !coordinates->is_array())
            Fail("a " + type + " has no \"coordinates\" list");
        if (type == "Point") {
            shapes.points.push_back(coordinates);
        } else if (type == "MultiPoint") {
            for (const Json& position : *coordinates) shapes.points.push_back(&position);
        } else if (type == "LineString") {
            shapes.lines.push_back(coordinates);
        } else {
            for (const Json& line : *coordinates) {
                if (!line.is_array())
                    Fail("a line of a MultiLineString is " + Shown(line) + ", not a list of positions");
                shapes.lines.push_back(&line);
            }
        }
    }

    // The points of one line (segment); overall counts the positions of the
    // lines before it, for flat per-position lists. Returns the new count.
    size_t Line(const std::vector<const Json*>& positions,
                size_t line,
                const Json& properties,
                size_t overall = 0) {
        const Json* times = Member(properties, "coordTimes");
        if (times == nullptr) {
            if (const Json* more = Member(properties, "coordinateProperties")) times = Member(*more, "times");
        }
        const Json* names = Member(properties, "coordNames");
        const Json* descriptions = Member(properties, "coordDescriptions");
        const Json* symbols = Member(properties, "coordSymbols");
        // The points' other values: "coordExtras", a list each by GPX's name.
        std::vector<std::pair<PointExtra, const Json*>> extras;
        if (const Json* lists = Member(properties, "coordExtras"); lists != nullptr && lists->is_object()) {
            for (const auto& [key, list] : lists->items()) {
                PointExtra extra;
                if (ExtraOfGeoJson(key, extra)) extras.push_back({extra, &list});
            }
        }
        for (size_t i = 0; i < positions.size(); ++i, ++overall) {
            std::string problem;
            Point point = Position(*positions[i], problem);
            if (const Json* time = AtPosition(times, line, i, overall); time != nullptr && problem.empty()) {
                point.time = ReadPointTime(TextOf(*time), problem);
            } else if (positions.size() == 1 && times == nullptr && problem.empty()) {
                point.time = OwnTime(properties, problem);
            }
            if (const Json* name = AtPosition(names, line, i, overall)) point.name = TrimWhite(TextOf(*name));
            if (const Json* text = AtPosition(descriptions, line, i, overall))
                point.description = TextOf(*text);
            if (const Json* symbol = AtPosition(symbols, line, i, overall)) point.icon = TextOf(*symbol);
            PointExtras values;
            for (const auto& [extra, list] : extras) {
                if (const Json* value = AtPosition(list, line, i, overall)) values.Set(extra, TextOf(*value));
            }
            if (!values.values.empty()) point.extras = std::make_shared<const PointExtras>(std::move(values));
            if (problem.empty()) {
                sets_.AddLinePoint(std::move(point));
            } else {
                sets_.Refuse(0, sets_.LinePointPlace(overall + 1), problem);
            }
        }
        return overall;
    }

    void Waypoints(const std::vector<const Json*>& positions, const Json& properties, bool perPosition) {
        const Json* times = perPosition ? Member(properties, "coordTimes") : nullptr;
        for (size_t i = 0; i < positions.size(); ++i) {
            std::string problem;
            Point point = Position(*positions[i], problem);
            Describe(point, properties, problem);
            if (const Json* time = AtPosition(times, 0, i, i); time != nullptr && positions.size() > 1) {
                point.time = ReadPointTime(TextOf(*time), problem);
            }
            ++waypoints_;
            if (problem.empty()) {
                sets_.AddWaypoint(std::move(point));
            } else {
                sets_.Refuse(0, sets_.WaypointPlace(waypoints_, point.name), problem);
            }
        }
    }

    // A position's numbers, checked as every reader checks them.
    Point Position(const Json& position, std::string& problem) {
        Point point;
        if (!position.is_array() || position.size() < 2) {
            problem = "its position is " + Shown(position) +
                      (position.is_array() ? " of " + std::to_string(position.size()) + " number(s)" : "") +
                      ", not [longitude, latitude]";
            return point;
        }
        point.longitude = Coordinate(PointValue::Longitude, position[0], problem);
        if (problem.empty()) point.latitude = Coordinate(PointValue::Latitude, position[1], problem);
        if (problem.empty() && position.size() > 2 && !position[2].is_null()) {
            if (const auto metres = Coordinate(PointValue::Elevation, position[2], problem))
                SetElevation(point, *metres);
        }
        return point;
    }

    static std::optional<double> Coordinate(PointValue which, const Json& value, std::string& problem) {
        if (value.is_number()) return CheckPointValue(which, value.get<double>(), problem);
        const char* names[] = {"latitude", "longitude", "elevation"};
        problem = std::string(names[static_cast<int>(which)]) + " " + Shown(value) + " is no number";
        return std::nullopt;
    }

    // A Point feature's time: "time", or togeojson's "timestamp".
    static std::optional<int64_t> OwnTime(const Json& properties, std::string& problem) {
        const std::string time = FirstText(properties, {"time", "timestamp"});
        return time.empty() ? std::nullopt : ReadPointTime(time, problem);
    }

    void Describe(Point& point, const Json& properties, std::string& problem) {
        // Names without the white space around them, as GPX and KML names.
        point.name = TrimWhite(FirstText(properties, {"name", "Name"}));
        point.icon = FirstText(properties, {"sym", "icon"});
        if (Member(properties, "desc") != nullptr) {
            point.description = Text(properties, "desc");
        } else if (Member(properties, "description") != nullptr) {
            point.description = Text(properties, "description");
        } else if (Member(properties, "Description") != nullptr) {
            point.description = Text(properties, "Description");
        }
        if (!point.elevationMetres && problem.empty()) {
            for (const char* key : {"ele", "elevation"}) {
                const Json* value = Member(properties, key);
                if (value != nullptr && value->is_number()) {
                    if (const auto metres =
                            CheckPointValue(PointValue::Elevation, value->get<double>(), problem)) {
                        SetElevation(point, *metres);
                    }
                    break;
                }
            }
        }
        if (problem.empty()) point.time = OwnTime(properties, problem);
        PointExtras values;
        for (const auto& [key, value] : properties.items()) {
            PointExtra extra;
            if (ExtraOfGeoJson(key, extra) && (value.is_string() || value.is_number()))
                values.Set(extra, TextOf(value));
        }
        if (!values.values.empty()) point.extras = std::make_shared<const PointExtras>(std::move(values));
    }

    SetExtras metadata_;  // the file's own texts
    std::string what_;
    SetCollector sets_;
    size_t waypoints_ = 0;
};

// The deepest nesting of lists and objects in the text, counted outside
// strings; the count stops past kDeepestJson. Done before parsing, so no
// deeper document is ever built.
int Depth(const std::string& text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size() && deepest <= kDeepestJson; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

// Follows a second parse of a text whose first failed on a number too
// large for a double, to tell which feature holds it.
struct ParseWatch {
    std::vector<std::string> keys;  // the key being read at each depth
    size_t feature = 0;             // 1-based; 0: none yet
    std::string name;

    bool operator()(int depth, Json::parse_event_t event, Json& parsed) {
        const auto level = static_cast<size_t>(depth);
        if (event == Json::parse_event_t::key) {
            if (keys.size() <= level) keys.resize(level + 1);
            keys[level] = parsed.is_string() ? parsed.get<std::string>() : "";
        } else if (event == Json::parse_event_t::object_start && level == 2 && keys.size() > 1 &&
                   keys[1] == "features") {
            ++feature;
            name.clear();
        } else if (event == Json::parse_event_t::value && level == 4 && keys.size() > 4 &&
                   keys[3] == "properties" && keys[4] == "name" && parsed.is_string()) {
            name = parsed.get<std::string>().substr(0, 64);
        }
        return true;  // kept: the parser asks no more of a value it drops
    }

    std::string Feature() const {
        if (feature == 0) return "";
        return "feature " + std::to_string(feature) + (name.empty() ? "" : " '" + name + "'") + ": ";
    }
};

// Stops a parse that would pass what a read may hold: more lists than
// points (each position is one, with room for the lines around them), or
// a string longer than a text is read to.
struct ParseCaps {
    const std::string& what;
    size_t lists = 0;

    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::array_start && ++lists > 2 * MostPointsRead()) {
            FailMap("cannot read '" + what + "': " + TooManyPoints());
        }
        if ((event == Json::parse_event_t::value || event == Json::parse_event_t::key) &&
            parsed.is_string() && parsed.get_ref<const std::string&>().size() > LongestText()) {
            FailMap("cannot read '" + what + "': " + TooLongText());
        }
        return true;
    }
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

std::vector<PointSet> ReadGeoJsonSets(MapSource& source, bool strict, MapWarnings& warnings) {
    const std::string& what = source.what();
    Json root;
    {
        const std::string text = source.ReadAll();
        if (Depth(text) > kDeepestJson) {
            FailMap("cannot read '" + what + "': its JSON nests deeper than " + std::to_string(kDeepestJson) +
                    " lists and objects");
        }
        try {
            ParseCaps caps{what};
            root = Json::parse(text, std::ref(caps));
        } catch (const Json::parse_error& error) {
            // The library's own text starts with its exception's name and the
            // place, "...parse error at line 1, column 2: ", the first ": ".
            std::string cause = error.what();
            const size_t colon = cause.find(": ");
            if (colon != std::string::npos) cause.erase(0, colon + 2);
            FailMap("cannot read '" + what + "': " + Where(text, error.byte == 0 ? 0 : error.byte - 1) +
                    ": " + cause);
        } catch (const Json::out_of_range& error) {
            // A number beyond a double ("1e400"): the library names the text.
            const std::string cause = error.what();
            const size_t open = cause.find('\'');
            const size_t close = cause.rfind('\'');
            const std::string number =
                open != std::string::npos && close > open ? cause.substr(open, close - open + 1) : "";
            ParseWatch watch;
            try {
                const Json ignored = Json::parse(text, std::ref(watch));
            } catch (const Json::exception&) {
                // It fails where the first parse did: the watch has seen the feature.
            }
            FailMap("cannot read '" + what + "': " + watch.Feature() + "the number " + number.substr(0, 66) +
                    " is beyond what a double holds");
        }
    }
    GeoJsonReader reader(what, strict, warnings);
    try {
        reader.Read(root);
    } catch (const Json::exception& error) {
        FailMap("cannot read '" + what + "': " + error.what());
    }
    return reader.Finish();
}

#else

std::vector<PointSet> ReadGeoJsonSets(const std::string&, const std::string&, bool, MapWarnings&) {
    FailMap("reading GeoJSON needs a build with nlohmann/json");
}

#endif

}  // namespace vezuved::maps
