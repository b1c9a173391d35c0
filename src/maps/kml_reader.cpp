// KML 2.2, read as a stream (from a KMZ, its KML). Folders and documents are
// flattened; each Placemark is gathered whole (its name may follow its
// geometry) and then gives a waypoint per Point and one route or track of
// its LineStrings and gx:Tracks, each a segment of it (a MultiGeometry of
// lines, a gx:MultiTrack). Polygons are counted and left out. A Placemark
// that names a point of the line before it (ExtendedData "point") gives that
// point its name, description, time and symbol. Elements are matched by
// their local name, so the older Google namespaces read the same way.
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "maps/xml_stream.h"
#include "maps/zip_archive.h"
#include "sets/number_text.h"

namespace vezuved::maps {
namespace {

// A point left out, with where it is and why; number: its place among
// the positions of its segment (1-based).
struct Refusal {
    size_t number = 0;
    size_t line = 0;
    std::string problem;
};

// The positions of a LineString or gx:Track: the points kept, and those
// left out apart (few), so a long track is held once.
struct Segment {
    std::vector<Point> points;
    std::vector<Refusal> refusals;
    size_t size() const { return points.size() + refusals.size(); }
};

struct Placemark {
    std::string name;
    std::optional<std::string> description;
    std::optional<int64_t> time;
    std::string timeProblem;
    std::string kind;                  // ExtendedData "kind": "route" or "track"
    std::string symbol;                // ExtendedData "sym"
    std::optional<size_t> pointIndex;  // ExtendedData "point": a point of the line before
    Segment points;                    // of its Points
    std::vector<Segment> segments;     // its LineStrings and gx:Tracks
    size_t polygons = 0;
};

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// One position of a tuple's values, into the segment (or its refusals).
void AddPosition(
    const std::string_view* values, size_t count, std::string_view shown, size_t line, Segment& segment) {
    std::string problem;
    Point point;
    if (count < 2 || count > 3) {
        problem = "'" + std::string(shown.substr(0, 64)) + "' is no position (longitude,latitude[,altitude])";
    } else {
        point.longitude = ReadPointValue(PointValue::Longitude, values[0], problem);
        if (problem.empty()) point.latitude = ReadPointValue(PointValue::Latitude, values[1], problem);
        if (problem.empty() && count == 3 && !TrimWhite(values[2]).empty()) {
            if (const auto metres = ReadPointValue(PointValue::Elevation, values[2], problem)) {
                SetElevation(point, *metres);
            }
        }
    }
    if (problem.empty()) {
        segment.points.push_back(std::move(point));
    } else {
        segment.refusals.push_back({segment.size() + 1, line, std::move(problem)});
    }
}

// A tuple's values apart by the separator (a fifth and later are counted
// only); returns their count.
size_t SplitValues(std::string_view text, char separator, std::string_view (&values)[4]) {
    size_t count = 0;
    while (true) {
        const size_t cut = text.find(separator);
        if (count < 4) values[count] = text.substr(0, cut);
        ++count;
        if (cut == std::string_view::npos) return count;
        text.remove_prefix(cut + 1);
        if (separator == ' ') text = TrimWhite(text);
    }
}

// <coordinates>: "lon,lat[,alt]" tuples apart by white space; white space
// next to a comma belongs to the tuple ("7.5, 45.5"), as other readers take it.
void ReadCoordinates(std::string_view text, size_t line, Segment& segment) {
    size_t i = 0;
    std::string joined;
    while (true) {
        while (i < text.size() && IsWhite(text[i])) line += text[i++] == '\n' ? 1 : 0;
        if (i == text.size()) break;
        const size_t start = i;
        const size_t startLine = line;
        joined.clear();
        bool spaced = false;
        while (true) {
            const size_t from = i;
            while (i < text.size() && !IsWhite(text[i])) ++i;
            joined.append(text.substr(from, i - from));
            size_t next = i;
            size_t lines = 0;
            while (next < text.size() && IsWhite(text[next])) lines += text[next++] == '\n' ? 1 : 0;
            if (next == text.size() || (text[i - 1] != ',' && text[next] != ',')) break;
            spaced = true;
            i = next;
            line += lines;
        }
        const std::string_view tuple = spaced ? std::string_view(joined) : text.substr(start, i - start);
        std::string_view values[4];
        const size_t count = SplitValues(tuple, ',', values);
        AddPosition(values, count, tuple, startLine, segment);
    }
}

// <gx:coord>: "lon lat [alt]" apart by spaces; an empty one holds no position.
void ReadTrackCoord(std::string_view text, size_t line, Segment& segment) {
    text = TrimWhite(text);
    if (text.empty()) {
        segment.refusals.push_back({segment.size() + 1, line, "its <gx:coord> is empty"});
        return;
    }
    for (char white : {'\t', '\n', '\r'}) {
        if (text.find(white) != std::string_view::npos) {
            // Rare: any white space apart, made spaces.
            std::string spaced(text);
            for (char& c : spaced) c = IsWhite(c) ? ' ' : c;
            ReadTrackCoord(spaced, line, segment);
            return;
        }
    }
    std::string_view values[4];
    const size_t count = SplitValues(text, ' ', values);
    AddPosition(values, count, text, line, segment);
}

class KmlReader {
public:
    KmlReader(const std::string& what, bool strict, MapWarnings& warnings)
        : what_(what), sets_(what, strict, warnings) {}

    void Start(const XmlName& name, const char** attributes, size_t line) {
        const std::string_view local = name.local;
        if (depth_++ == 0) {
            if (local != "kml") {
                FailMap("cannot read '" + what_ + "': it is no KML file (its root element is <" +
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
            badWhens_.clear();
            placemark_.segments.emplace_back();
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
        const std::string_view parent =
            parents_.empty() ? std::string_view() : std::string_view(parents_.back());
        if (local == "name" && parent.empty()) {
            placemark_.name = TrimWhite(text);
        } else if (local == "description" && parent.empty()) {
            placemark_.description = std::move(text);
        } else if (local == "when" && parent == "Track") {
            When(text);
        } else if (local == "coord" && parent == "Track") {
            ReadTrackCoord(text, textLine_, placemark_.segments.back());
        } else if (local == "when" && parent == "TimeStamp") {
            placemark_.time = ReadPointTime(text, placemark_.timeProblem);
        } else if (local == "value" && parent == "Data") {
            Data(TrimWhite(text));
        } else if (local == "coordinates" && parent == "Point") {
            pointsLine_ = textLine_;
            ReadCoordinates(text, textLine_, placemark_.points);
        } else if (local == "coordinates" && (parent == "LineString" || parent == "LinearRing")) {
            ReadCoordinates(text, textLine_, placemark_.segments.emplace_back());
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
            if (index && *index >= 0 && *index < 1e15 &&
                *index == static_cast<double>(static_cast<size_t>(*index))) {
                placemark_.pointIndex = static_cast<size_t>(*index);
            }
        }
    }

    void When(std::string_view text) {
        std::string problem;
        whens_.push_back(ReadPointTime(text, problem));
        if (!problem.empty()) badWhens_.push_back({whens_.size(), textLine_, std::move(problem)});
    }

    // Each <when> goes with the <gx:coord> of its place in the list (an
    // empty <gx:coord/> takes its time away with it); a gx:Track without
    // <when> is a line without times.
    void Track() {
        Segment& segment = placemark_.segments.back();
        if (!whens_.empty() && whens_.size() != segment.size()) {
            sets_.Warn(textLine_,
                       "gx:Track '" + placemark_.name + "' has " + std::to_string(whens_.size()) +
                           " <when> and " + std::to_string(segment.size()) +
                           " <gx:coord>; they are paired in order and the rest keep no time");
        }
        if (whens_.empty()) return;
        // Walk every coord by its place: a refused one keeps its refusal; a
        // kept one takes its time, or is refused for a bad one.
        const size_t total = segment.size();
        std::vector<Refusal> refusals = std::move(segment.refusals);
        segment.refusals.clear();
        std::vector<Point>& points = segment.points;  // kept ones moved down in place
        size_t kept = 0;
        size_t written = 0;
        size_t refused = 0;
        size_t bad = 0;
        for (size_t number = 1; number <= total; ++number) {
            if (refused < refusals.size() && refusals[refused].number == number) {
                segment.refusals.push_back(std::move(refusals[refused++]));
                continue;
            }
            Point& point = points[kept++];
            while (bad < badWhens_.size() && badWhens_[bad].number < number) ++bad;
            if (bad < badWhens_.size() && badWhens_[bad].number == number) {
                segment.refusals.push_back(badWhens_[bad]);
                continue;
            }
            if (number <= whens_.size()) point.time = whens_[number - 1];
            if (written != kept - 1) points[written] = std::move(point);
            ++written;
        }
        points.resize(written);
    }

    void Emit() {
        sets_.SkipPolygons(placemark_.polygons);
        const bool line = placemark_.kind == "route" || placemark_.kind == "track";
        if (placemark_.segments.empty() && !line) {
            if (!AttachToLine()) EmitWaypoints();
            return;
        }
        sets_.BeginLine(placemark_.kind == "route" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK,
                        placemark_.name);
        // A one-point route or track may come as a Point, timed by the Placemark.
        if (placemark_.segments.empty()) {
            for (Point& point : placemark_.points.points) point.time = placemark_.time;
            placemark_.segments.push_back(std::move(placemark_.points));
            placemark_.points = Segment();
        }
        size_t before = 0;  // positions of the segments before
        for (Segment& segment : placemark_.segments) {
            for (const Refusal& refusal : segment.refusals) {
                sets_.Refuse(refusal.line, sets_.LinePointPlace(before + refusal.number), refusal.problem);
            }
            before += segment.size();
            sets_.AddSegment(std::move(segment.points));
        }
        EmitWaypoints();
    }

    void EmitWaypoints() {
        size_t next = 0;
        for (size_t number = 1; number <= placemark_.points.size(); ++number) {
            ++waypoints_;
            const Refusal* refusal = nullptr;
            for (const Refusal& r : placemark_.points.refusals) refusal = r.number == number ? &r : refusal;
            if (refusal != nullptr) {
                sets_.Refuse(
                    refusal->line, sets_.WaypointPlace(waypoints_, placemark_.name), refusal->problem);
                continue;
            }
            Point& point = placemark_.points.points[next++];
            point.name = placemark_.name;
            point.description = placemark_.description;
            point.time = placemark_.time;
            point.icon = placemark_.symbol;
            if (placemark_.timeProblem.empty()) {
                sets_.AddWaypoint(std::move(point));
            } else {
                sets_.Refuse(
                    pointsLine_, sets_.WaypointPlace(waypoints_, point.name), placemark_.timeProblem);
            }
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
    size_t textLine_ = 0;                        // where the element whose text is collected starts
    std::vector<std::optional<int64_t>> whens_;  // of the gx:Track being read
    std::vector<Refusal> badWhens_;              // its <when>s that are no time, by number
    size_t pointsLine_ = 0;                      // of the Placemark's last <coordinates>
    size_t waypoints_ = 0;
};

}  // namespace

std::vector<PointSet> ReadKmlSets(MapSource& source, bool strict, MapWarnings& warnings) {
    KmlReader reader(source.what(), strict, warnings);
    StreamElements(reader, [&](XmlHandler& handler) {
        // A KMZ is read from its file, a zip archive.
        if (!source.plainPath().empty() && IsZipFile(source.plainPath())) {
            StreamKmz(source.plainPath(), source.what(), handler);
        } else {
            StreamXmlSource(source, handler);
        }
    });
    return reader.Finish();
}

}  // namespace vezuved::maps
