// KML 2.2, read as a stream (from a KMZ, its KML). Folders and documents are
// flattened; each Placemark is gathered whole (its name may follow its
// geometry) and then gives a waypoint per Point and one route or track of
// its LineStrings and gx:Tracks, each a segment of it (a MultiGeometry of
// lines, a gx:MultiTrack). Polygons are counted and left out. A Placemark
// that names a point of the line before it (ExtendedData "point") gives that
// point its name, description, time and symbol. Elements are matched by
// their local name, so the older Google namespaces read the same way.
#include <iostream>
#include <vector>

#include "input/kmz_archive.h"
#include "input/map_input.h"
#include "input/set_collector.h"
#include "input/xml_stream.h"
#include "support/failure.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

// A position as read: the point, or why it cannot be one.
struct Position {
    Point point;
    size_t line = 0;
    std::string problem;
};

struct Placemark {
    std::string name;
    std::optional<std::string> description;
    std::optional<int64_t> time;
    std::string timeProblem;
    std::string kind;    // ExtendedData "kind": "route" or "track"
    std::string symbol;  // ExtendedData "sym"
    std::optional<size_t> pointIndex;  // ExtendedData "point": a point of the line before
    std::vector<Position> points;      // of its Points
    std::vector<std::vector<Position>> segments;  // its LineStrings and gx:Tracks
    size_t polygons = 0;
};

struct TimedText {
    std::string text;
    size_t line = 0;
};

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The values of a tuple apart by commas, at least two of them.
void ReadValues(const std::vector<std::string_view>& values, std::string_view shown, Position& position) {
    if (values.size() < 2 || values.size() > 3) {
        position.problem = "'" + std::string(shown.substr(0, 64)) + "' is no position (longitude,latitude[,altitude])";
        return;
    }
    Point& point = position.point;
    point.longitude = ReadPointValue(PointValue::Longitude, values[0], position.problem);
    if (position.problem.empty()) point.latitude = ReadPointValue(PointValue::Latitude, values[1], position.problem);
    if (position.problem.empty() && values.size() == 3 && !TrimWhite(values[2]).empty()) {
        if (const auto metres = ReadPointValue(PointValue::Elevation, values[2], position.problem)) {
            SetElevation(point, *metres);
        }
    }
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t cut = text.find(separator); cut != std::string_view::npos; cut = text.find(separator)) {
        parts.push_back(text.substr(0, cut));
        text.remove_prefix(cut + 1);
    }
    parts.push_back(text);
    return parts;
}

// <coordinates>: "lon,lat[,alt]" tuples apart by white space; white space
// next to a comma belongs to the tuple ("7.5, 45.5"), as other readers take it.
std::vector<Position> ReadCoordinates(std::string_view text, size_t line) {
    std::vector<Position> positions;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsWhite(text[i])) line += text[i++] == '\n' ? 1 : 0;
        if (i == text.size()) break;
        Position& position = positions.emplace_back();
        position.line = line;
        std::string tuple;
        while (i < text.size()) {
            while (i < text.size() && !IsWhite(text[i])) tuple += text[i++];
            size_t next = i;
            size_t lines = 0;
            while (next < text.size() && IsWhite(text[next])) lines += text[next++] == '\n' ? 1 : 0;
            const bool joined = next < text.size() && (tuple.back() == ',' || text[next] == ',');
            if (!joined) break;
            i = next;
            line += lines;
        }
        ReadValues(Split(tuple, ','), tuple, position);
    }
    return positions;
}

// <gx:coord>: "lon lat [alt]" apart by spaces; an empty one holds no position.
Position ReadTrackCoord(const TimedText& coord) {
    Position position;
    position.line = coord.line;
    std::vector<std::string_view> values;
    std::string_view text = TrimWhite(coord.text);
    if (text.empty()) {
        position.problem = "its <gx:coord> is empty";
        return position;
    }
    while (!text.empty()) {
        size_t end = 0;
        while (end < text.size() && !IsWhite(text[end])) ++end;
        values.push_back(text.substr(0, end));
        text = TrimWhite(text.substr(end));
    }
    ReadValues(values, TrimWhite(coord.text), position);
    return position;
}

class KmlReader {
public:
    KmlReader(const std::string& what, bool strict) : what_(what), sets_(what, strict) {}

    void Start(const XmlName& name, const char** attributes, size_t line) {
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
        parents_.push_back(std::string(local));
        if (local == "Polygon") {
            ++placemark_.polygons;
            ++polygonDepth_;
        }
        if (polygonDepth_ > 0) return;  // a ring is no line
        textLine_ = line;
        if (local == "Track") {
            whens_.clear();
            coords_.clear();
        } else if (local == "Data") {
            const char* key = XmlAttribute(attributes, "name");
            dataName_ = key != nullptr ? key : "";
        } else if (local == "coordinates" || local == "coord" || local == "when" || local == "name" ||
                   local == "description" || local == "value") {
            collect_ = true;
        }
    }

    bool CollectText() const { return collect_; }

    void End(const XmlName& name, std::string& text) {
        --depth_;
        collect_ = false;
        const std::string_view local = name.local;
        if (local == "Placemark" && inPlacemark_) {
            Emit();
            inPlacemark_ = false;
            parents_.clear();
            return;
        }
        if (!inPlacemark_ || parents_.empty()) return;
        parents_.pop_back();
        if (local == "Polygon") {
            --polygonDepth_;
            return;
        }
        if (polygonDepth_ > 0) return;
        const std::string_view parent = parents_.empty() ? std::string_view() : std::string_view(parents_.back());
        if (local == "name" && parent.empty()) {
            placemark_.name = TrimWhite(text);
        } else if (local == "description" && parent.empty()) {
            placemark_.description = std::move(text);
        } else if (local == "when" && parent == "Track") {
            whens_.push_back({std::move(text), textLine_});
        } else if (local == "coord" && parent == "Track") {
            coords_.push_back({std::move(text), textLine_});
        } else if (local == "when" && parent == "TimeStamp") {
            placemark_.time = ReadPointTime(text, placemark_.timeProblem);
        } else if (local == "value" && parent == "Data") {
            Data(TrimWhite(text));
        } else if (local == "coordinates" && parent == "Point") {
            for (Position& position : ReadCoordinates(text, textLine_)) placemark_.points.push_back(std::move(position));
        } else if (local == "coordinates" && (parent == "LineString" || parent == "LinearRing")) {
            placemark_.segments.push_back(ReadCoordinates(text, textLine_));
        } else if (local == "Track") {
            Track();
        }
    }

    std::vector<PointSet> Finish() { return sets_.Finish(); }

private:
    void Data(std::string_view value) {
        if (dataName_ == "kind") {
            placemark_.kind = value;
        } else if (dataName_ == "sym") {
            placemark_.symbol = value;
        } else if (dataName_ == "point") {
            const auto index = ParseNumber(value);
            if (index && *index >= 0 && *index < 1e15 && *index == static_cast<double>(static_cast<size_t>(*index))) {
                placemark_.pointIndex = static_cast<size_t>(*index);
            }
        }
    }

    // Each <when> goes with the <gx:coord> of its place in the list; a
    // gx:Track without <when> is a line without times.
    void Track() {
        std::vector<Position>& segment = placemark_.segments.emplace_back();
        if (!whens_.empty() && whens_.size() != coords_.size()) {
            std::cerr << "vezuved: " << what_ << ":" << textLine_ << ": gx:Track '" << placemark_.name << "' has "
                      << whens_.size() << " <when> and " << coords_.size()
                      << " <gx:coord>; they are paired in order and the rest keep no time\n";
        }
        for (size_t i = 0; i < coords_.size(); ++i) {
            Position position = ReadTrackCoord(coords_[i]);
            if (i < whens_.size() && position.problem.empty()) {
                position.point.time = ReadPointTime(whens_[i].text, position.problem);
            }
            segment.push_back(std::move(position));
        }
    }

    void Emit() {
        sets_.SkipPolygons(placemark_.polygons);
        const bool line = placemark_.kind == "route" || placemark_.kind == "track";
        if (placemark_.segments.empty() && !line) {
            if (!AttachToLine()) EmitWaypoints();
            return;
        }
        sets_.BeginLine(placemark_.kind == "route" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK, placemark_.name);
        // A one-point route or track may come as a Point.
        if (placemark_.segments.empty()) placemark_.segments.push_back(std::move(placemark_.points));
        size_t number = 0;
        for (std::vector<Position>& segment : placemark_.segments) {
            sets_.BeginSegment();
            for (Position& position : segment) {
                ++number;
                if (position.problem.empty()) {
                    sets_.AddLinePoint(std::move(position.point));
                } else {
                    sets_.Refuse(position.line, sets_.LinePointPlace(number), position.problem);
                }
            }
        }
        for (Position& position : placemark_.points) EmitWaypoint(position);
    }

    void EmitWaypoints() {
        for (Position& position : placemark_.points) EmitWaypoint(position);
    }

    void EmitWaypoint(Position& position) {
        ++waypoints_;
        Point& point = position.point;
        point.name = placemark_.name;
        point.description = placemark_.description;
        point.time = placemark_.time;
        point.icon = placemark_.symbol;
        const std::string& problem = position.problem.empty() ? placemark_.timeProblem : position.problem;
        if (problem.empty()) {
            sets_.AddWaypoint(std::move(point));
        } else {
            sets_.Refuse(position.line, sets_.WaypointPlace(waypoints_, point.name), problem);
        }
    }

    // Whether the Placemark named a point of the line just read, and gave
    // it its texts and time.
    bool AttachToLine() {
        PointSet* set = sets_.CurrentLine();
        if (!placemark_.pointIndex || set == nullptr || *placemark_.pointIndex >= set->points.size()) {
            return false;
        }
        Point& point = set->points[*placemark_.pointIndex];
        point.name = placemark_.name;
        point.description = placemark_.description;
        point.icon = placemark_.symbol;
        if (placemark_.time) point.time = placemark_.time;
        return true;
    }

    std::string what_;
    SetCollector sets_;
    size_t depth_ = 0;
    size_t polygonDepth_ = 0;
    bool collect_ = false;
    bool inPlacemark_ = false;
    Placemark placemark_;
    std::vector<std::string> parents_;  // element names inside the Placemark
    std::string dataName_;
    size_t textLine_ = 0;  // where the element whose text is collected starts
    std::vector<TimedText> whens_;
    std::vector<TimedText> coords_;
    size_t waypoints_ = 0;
};

}  // namespace

std::vector<PointSet> ReadKml(const std::string& path, const std::string& what, bool strict) {
    KmlReader reader(what, strict);
    XmlHandler handler;
    handler.start = [&](const XmlName& name, const char** attributes) {
        reader.Start(name, attributes, handler.line);
    };
    handler.end = [&](const XmlName& name, std::string& text) { reader.End(name, text); };
    handler.collectText = [&] { return reader.CollectText(); };
    if (IsZipFile(path)) {
        StreamKmz(path, what, handler);
    } else {
        StreamXml(path, what, handler);
    }
    return reader.Finish();
}

}  // namespace vezuved_cli
