// KML 2.2, read as a stream. Folders and documents are flattened; each
// Placemark is gathered whole (its name may follow its geometry) and then
// gives a waypoint per Point, a track (or route) per LineString and a
// track per gx:Track, also inside MultiGeometry. Elements are matched by
// their local name, so the older Google namespaces read the same way.
#include <charconv>
#include <vector>

#include "input/map_input.h"
#include "input/set_collector.h"
#include "input/xml_stream.h"
#include "support/failure.h"

namespace vezuved_cli {
namespace {

enum class GeometryType { Point, Line, Track };

struct Geometry {
    GeometryType type;
    std::vector<Point> points;
    std::vector<std::optional<int64_t>> times;  // gx:Track's <when>s, in order
};

struct Placemark {
    std::string name;
    std::optional<std::string> description;
    std::optional<int64_t> time;
    bool route = false;
    std::vector<Geometry> geometries;
};

// "lon,lat[,alt]" tuples apart by white space.
bool ReadTuple(std::string_view tuple, Point& point) {
    double values[3] = {0, 0, 0};
    size_t count = 0;
    while (!tuple.empty()) {
        if (count == 3) return false;
        const size_t comma = tuple.find(',');
        const std::string_view part = TrimWhite(tuple.substr(0, comma));
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), values[count]);
        if (error != std::errc() || end != part.data() + part.size() || part.empty()) return false;
        ++count;
        if (comma == std::string_view::npos) break;
        tuple.remove_prefix(comma + 1);
    }
    if (count < 2) return false;
    point.longitude = values[0];
    point.latitude = values[1];
    if (count == 3) SetElevation(point, values[2]);
    return true;
}

class KmlReader {
public:
    explicit KmlReader(const std::string& what) : what_(what), sets_(what) {}

    void Start(const XmlName& name, const char** attributes) {
        const std::string_view local = name.local;
        if (depth_++ == 0) {
            if (local != "kml") {
                FailConversion("cannot read '" + what_ + "': it is no KML file (its root element is <" +
                               std::string(local) + ">, not <kml>)");
            }
            return;
        }
        collect_ = false;
        if (local == "Placemark") {
            placemark_ = Placemark();
            inPlacemark_ = true;
            return;
        }
        if (!inPlacemark_) return;
        if (local == "Point") {
            placemark_.geometries.push_back({GeometryType::Point, {}, {}});
        } else if (local == "LineString") {
            placemark_.geometries.push_back({GeometryType::Line, {}, {}});
        } else if (local == "Track") {
            placemark_.geometries.push_back({GeometryType::Track, {}, {}});
        } else if (local == "Data") {
            const char* key = XmlAttribute(attributes, "name");
            dataName_ = key != nullptr ? key : "";
        } else if (local == "coordinates" || local == "coord" || local == "when" || local == "name" ||
                   local == "description" || local == "value") {
            collect_ = true;
        }
        parents_.push_back(std::string(local));
    }

    bool CollectText() const { return collect_; }

    void End(const XmlName& name, std::string& text) {
        --depth_;
        const std::string_view local = name.local;
        if (local == "Placemark" && inPlacemark_) {
            Emit();
            inPlacemark_ = false;
            parents_.clear();
            return;
        }
        if (!inPlacemark_ || parents_.empty()) return;
        parents_.pop_back();
        const std::string_view parent = parents_.empty() ? std::string_view() : std::string_view(parents_.back());
        Geometry* geometry = placemark_.geometries.empty() ? nullptr : &placemark_.geometries.back();
        if (local == "name" && parent.empty()) {
            placemark_.name = TrimWhite(text);
        } else if (local == "description" && parent.empty()) {
            placemark_.description = std::move(text);
        } else if (local == "when" && geometry != nullptr && parent == "Track") {
            geometry->times.push_back(sets_.Time(text));
        } else if (local == "when") {
            placemark_.time = sets_.Time(text);
        } else if (local == "value" && parent == "Data" && dataName_ == "kind") {
            placemark_.route = TrimWhite(text) == "route";
        } else if (local == "coordinates" && geometry != nullptr && geometry->type != GeometryType::Track) {
            Coordinates(text, *geometry);
        } else if (local == "coord" && geometry != nullptr && geometry->type == GeometryType::Track) {
            // gx:coord is "lon lat alt", apart by spaces.
            for (char& c : text) c = c == ' ' || c == '\t' ? ',' : c;
            Coordinates(text, *geometry);
        }
        collect_ = false;
    }

    std::vector<PointSet> Finish() { return sets_.Finish(); }

private:
    void Coordinates(std::string_view text, Geometry& geometry) {
        text = TrimWhite(text);
        while (!text.empty()) {
            size_t end = 0;
            while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n' &&
                   text[end] != '\r') {
                ++end;
            }
            Point point;
            if (!ReadTuple(text.substr(0, end), point)) {
                FailConversion("cannot read '" + what_ + "': '" + std::string(text.substr(0, std::min<size_t>(end, 64))) +
                               "' is no KML coordinate (longitude,latitude[,altitude])");
            }
            geometry.points.push_back(std::move(point));
            text = TrimWhite(text.substr(end));
        }
    }

    void Emit() {
        for (Geometry& geometry : placemark_.geometries) {
            if (geometry.type == GeometryType::Point) {
                for (Point& point : geometry.points) {
                    point.name = placemark_.name;
                    point.description = placemark_.description;
                    point.time = placemark_.time;
                    sets_.AddWaypoint(std::move(point));
                }
                continue;
            }
            const bool route = geometry.type == GeometryType::Line && placemark_.route;
            sets_.BeginLine(route ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK, placemark_.name);
            for (size_t i = 0; i < geometry.points.size(); ++i) {
                if (i < geometry.times.size()) geometry.points[i].time = geometry.times[i];
            }
            sets_.SetLinePoints(std::move(geometry.points));
        }
    }

    std::string what_;
    SetCollector sets_;
    size_t depth_ = 0;
    bool collect_ = false;
    bool inPlacemark_ = false;
    Placemark placemark_;
    std::vector<std::string> parents_;  // element names inside the Placemark
    std::string dataName_;
};

}  // namespace

std::vector<PointSet> ReadKml(const std::string& path, const std::string& what) {
    KmlReader reader(what);
    XmlHandler handler;
    handler.start = [&](const XmlName& name, const char** attributes) { reader.Start(name, attributes); };
    handler.end = [&](const XmlName& name, std::string& text) { reader.End(name, text); };
    handler.collectText = [&] { return reader.CollectText(); };
    StreamXml(path, what, handler);
    return reader.Finish();
}

}  // namespace vezuved_cli
