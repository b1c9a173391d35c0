// KML 2.2, read as a stream (from a KMZ, its KML). Folders and documents are
// flattened; each Placemark is gathered whole (its name may follow its
// geometry) and then gives a waypoint per Point and one route or track of
// its LineStrings and gx:Tracks, each a segment of it (a MultiGeometry of
// lines, a gx:MultiTrack). Polygons are counted and left out. The line's
// points take their names, descriptions, symbols (and a LineString's
// times) from the gx:SimpleArrayData "name", "description", "sym" and
// "when" of its gx:Track or Placemark; a Placemark marked as a later part
// of a line (ExtendedData "part": "segment" or "run") continues the line
// before it. Files from before the arrays name a line's point by a
// Placemark of its own (ExtendedData "point"). Elements are matched by
// their local name, so the older Google namespaces read the same way.
#include <algorithm>
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

// The per-point texts of a line, each a value per position in order.
struct PointArrays {
    std::vector<std::string> times, names, descriptions, symbols;
    std::vector<std::pair<PointExtra, std::vector<std::string>>> extras;  // heart rates, ...
    // The array a gx:SimpleArrayData of that name fills; none for others.
    std::vector<std::string>* Named(std::string_view name) {
        if (name == "when") return &times;
        if (name == "name") return &names;
        if (name == "description") return &descriptions;
        if (name == "sym") return &symbols;
        PointExtra extra;
        if (!ExtraOfKml(name, extra)) return nullptr;
        for (auto& [which, values] : extras) {
            if (which == extra) return &values;
        }
        return &extras.emplace_back(extra, std::vector<std::string>()).second;
    }
    bool empty() const {
        return times.empty() && names.empty() && descriptions.empty() && symbols.empty() && extras.empty();
    }
    // Gives the point at place (0-based) its texts; a problem with its time
    // when the array's is no time.
    std::string Give(size_t place, Point& point) const {
        if (place < names.size()) point.name = names[place];
        if (place < descriptions.size() && !descriptions[place].empty()) {
            point.description = descriptions[place];
        }
        if (place < symbols.size()) point.icon = symbols[place];
        PointExtras given;
        for (const auto& [extra, values] : extras) {
            if (place < values.size() && !TrimWhite(values[place]).empty()) {
                if (given.values.empty() && point.extras) given = *point.extras;
                given.Set(extra, std::string(TrimWhite(values[place])));
            }
        }
        if (!given.values.empty()) point.extras = std::make_shared<const PointExtras>(std::move(given));
        std::string problem;
        if (place < times.size() && !TrimWhite(times[place]).empty()) {
            point.time = ReadPointTime(times[place], problem);
        }
        return problem;
    }
};

// The positions of a LineString or gx:Track: the points kept, and those
// left out apart (few), so a long track is held once.
struct Segment {
    std::vector<Point> points;
    std::vector<Refusal> refusals;
    PointArrays arrays;  // a gx:Track's own
    size_t size() const { return points.size() + refusals.size(); }
};

// Calls give(number, point) for each kept point of the segment by its
// 1-based number among the segment's positions (offset added); a point
// whose give returns a problem is refused with it, in its place.
template <typename Give>
void GiveByNumber(Segment& segment, size_t offset, size_t line, Give&& give) {
    const size_t total = segment.size();
    std::vector<Refusal> refusals = std::move(segment.refusals);
    segment.refusals.clear();
    std::vector<Point>& points = segment.points;  // kept ones moved down in place
    size_t kept = 0;
    size_t written = 0;
    size_t refused = 0;
    for (size_t number = 1; number <= total; ++number) {
        if (refused < refusals.size() && refusals[refused].number == number) {
            segment.refusals.push_back(std::move(refusals[refused++]));
            continue;
        }
        Point& point = points[kept++];
        std::string problem = give(offset + number, point);
        if (!problem.empty()) {
            segment.refusals.push_back({number, line, std::move(problem)});
            continue;
        }
        if (written != kept - 1) points[written] = std::move(point);
        ++written;
    }
    points.resize(written);
}

struct Placemark {
    std::string name;
    std::optional<std::string> description;
    std::optional<int64_t> time;
    std::optional<int64_t> spanBegin;  // of its TimeSpan
    std::optional<std::string> spanEnd;
    std::string timeProblem;
    std::string kind;                  // ExtendedData "kind": "route" or "track"
    std::string joins;                 // ExtendedData "part": "segment" or "run"
    PointArrays arrays;                // of its line's points, all segments through
    SetExtras data;                    // its other ExtendedData Data, by name
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
        if (!rootSeen_) {
            rootSeen_ = true;
            if (local != "kml") {
                FailMap("cannot read '" + what_ + "': it is no KML file (its root element is <" +
                        std::string(local) + ">, not <kml>)");
            }
            return;
        }
        collect_ = false;
        if (local == "NetworkLink") inNetworkLink_ = true;
        if (inNetworkLink_ && local == "href") {
            collect_ = true;
            textLine_ = line;
            return;
        }
        if (local == "Placemark") {
            placemark_ = Placemark();
            gathered_ = 0;
            inPlacemark_ = true;
            return;
        }
        if (!inPlacemark_) {
            // A file's own texts: <Data name="metadata:..."> outside any Placemark.
            if (local == "Data") {
                const char* key = AttributeValue(attributes, "name");
                dataName_ = key != nullptr ? key : "";
            }
            if (local == "Folder") folders_.emplace_back();
            collect_ = (local == "value" && dataName_.rfind("metadata:", 0) == 0) ||
                       (local == "name" && !outer_.empty() && outer_.back() == "Folder");
            outer_.push_back(std::string(local));
            return;
        }
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
        } else if (local == "Data" || local == "SimpleData") {
            const char* key = AttributeValue(attributes, "name");
            dataName_ = key != nullptr ? key : "";
            collect_ = local == "SimpleData";
        } else if (local == "SimpleArrayData") {
            const char* key = AttributeValue(attributes, "name");
            const bool ofTrack = parents_.size() >= 4 && parents_[parents_.size() - 4] == "Track" &&
                                 !placemark_.segments.empty();
            PointArrays& arrays = ofTrack ? placemark_.segments.back().arrays : placemark_.arrays;
            array_ = arrays.Named(key != nullptr ? key : "");
            if (array_ == nullptr) LeaveOut(key != nullptr ? key : "");
        } else if (local == "coordinates" || local == "coord" || local == "when" || local == "name" ||
                   local == "description" || local == "value" || local == "begin" || local == "end") {
            collect_ = true;
        }
    }

    bool CollectText() const { return collect_; }

    void End(const XmlName& name, std::string& text) {
        const std::string_view local = name.local;
        if (local == "NetworkLink") inNetworkLink_ = false;
        if (inNetworkLink_ && local == "href") {
            links_.push_back({std::string(TrimWhite(text)), textLine_});
            return;
        }
        if (local == "Placemark" && inPlacemark_) {
            Emit();
            inPlacemark_ = false;
            parents_.clear();
            return;
        }
        if (!inPlacemark_) {
            if (!outer_.empty()) outer_.pop_back();
            if (local == "value" && dataName_.rfind("metadata:", 0) == 0)
                metadata_.push_back({dataName_, text});
            if (local == "Data") dataName_.clear();
            if (local == "name" && !outer_.empty() && outer_.back() == "Folder" && !folders_.empty())
                folders_.back().name = TrimWhite(text);
            if (local == "Folder" && !folders_.empty()) folders_.pop_back();
            return;
        }
        if (parents_.empty()) return;
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
            Gather(placemark_.segments.back(),
                   [&](Segment& segment) { ReadTrackCoord(text, textLine_, segment); });
        } else if (local == "begin" && parent == "TimeSpan") {
            placemark_.spanBegin = ReadPointTime(text, placemark_.timeProblem);
        } else if (local == "end" && parent == "TimeSpan") {
            placemark_.spanEnd = std::string(TrimWhite(text));
        } else if (local == "when" && parent == "TimeStamp") {
            placemark_.time = ReadPointTime(text, placemark_.timeProblem);
        } else if ((local == "value" && parent == "Data") || local == "SimpleData") {
            Data(TrimWhite(text));
        } else if (local == "value" && parent == "SimpleArrayData") {
            if (array_ != nullptr) {
                // A value a point: no array holds more than a read's points.
                sets_.CheckRoom(array_->size() + 1);
                array_->push_back(std::move(text));
            }
        } else if (local == "coordinates" && parent == "Point") {
            pointsLine_ = textLine_;
            Gather(placemark_.points, [&](Segment& segment) { ReadCoordinates(text, textLine_, segment); });
        } else if (local == "coordinates" && (parent == "LineString" || parent == "LinearRing")) {
            Gather(placemark_.segments.emplace_back(),
                   [&](Segment& segment) { ReadCoordinates(text, textLine_, segment); });
        } else if (local == "Track") {
            Track();
        }
    }

    // The sets, once every NetworkLink to a file not among those read (the
    // KML files of a KMZ) is said: nothing is fetched.
    std::vector<PointSet> Finish(const std::vector<std::string>& read) {
        // What the sets have no place for, said once each.
        if (lineSpans_ > 0) {
            sets_.Warn(0,
                       std::to_string(lineSpans_) +
                           " TimeSpan(s) of lines are left out: their points keep their own times");
        }
        if (leftOut_ > 0) {
            sets_.Warn(0,
                       std::to_string(leftOut_) +
                           " ExtendedData value(s) or list(s) the tool keeps none of are " + "left out (" +
                           leftOutNames_ + ")");
        }
        for (const auto& [href, line] : links_) {
            std::string_view inside = href;
            while (inside.substr(0, 2) == "./") inside.remove_prefix(2);
            if (std::find(read.begin(), read.end(), inside) == read.end()) {
                sets_.Warn(line,
                           "a NetworkLink to '" + href.substr(0, 200) +
                               "' is not followed: only the KML files inside a KMZ are read");
            }
        }
        std::vector<PointSet> sets = sets_.Finish();
        TitleWaypoints(sets);
        sets.front().extras.insert(sets.front().extras.begin(), metadata_.begin(), metadata_.end());
        return sets;
    }

private:
    // Reads positions into the segment, the Placemark's positions counted
    // against the most a read holds before they pass it.
    template <typename Read>
    void Gather(Segment& segment, Read&& read) {
        const size_t before = segment.size();
        read(segment);
        gathered_ += segment.size() - before;
        sets_.CheckRoom(gathered_);
    }

    void Data(std::string_view value) {
        if (dataName_ == "kind") {
            placemark_.kind = value;
        } else if (dataName_ == "part") {
            placemark_.joins = value;
        } else if (dataName_ == "sym") {
            placemark_.symbol = value;
        } else if (dataName_ == "point") {
            const auto index = ParseNumber(value);
            if (index && *index >= 0 && *index < 1e15 &&
                *index == static_cast<double>(static_cast<size_t>(*index))) {
                placemark_.pointIndex = static_cast<size_t>(*index);
            }
        } else if (!dataName_.empty()) {
            placemark_.data.push_back({dataName_, std::string(value)});
        }
    }

    // A waypoint's other Data, those that name a point's value (hdop, ...).
    SharedExtras WaypointExtras(const std::string& folder) {
        PointExtras extras;
        if (!folder.empty()) extras.Set(PointExtra::Folder, folder);
        if (placemark_.spanEnd) extras.Set(PointExtra::TimeEnd, *placemark_.spanEnd);
        PointExtra extra;
        for (const auto& [name, value] : placemark_.data) {
            if (ExtraOfKml(name, extra)) {
                extras.Set(extra, value);
            } else {
                LeaveOut(name);
            }
        }
        return extras.values.empty() ? nullptr : std::make_shared<const PointExtras>(std::move(extras));
    }

    // A value of a name the tool keeps none of, counted to be said.
    void LeaveOut(const std::string& name) {
        ++leftOut_;
        if (leftOutNames_.size() < 64 && leftOutNames_.find("'" + name + "'") == std::string::npos)
            leftOutNames_ += (leftOutNames_.empty() ? "'" : ", '") + name + "'";
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
        WarnOfArrays(segment.arrays, segment.size());
        if (whens_.empty() && segment.arrays.empty()) return;
        size_t bad = 0;
        GiveByNumber(segment, 0, textLine_, [&](size_t number, Point& point) {
            while (bad < badWhens_.size() && badWhens_[bad].number < number) ++bad;
            if (bad < badWhens_.size() && badWhens_[bad].number == number) return badWhens_[bad].problem;
            if (number <= whens_.size()) point.time = whens_[number - 1];
            return segment.arrays.Give(number - 1, point);
        });
    }

    void Emit() {
        sets_.SkipPolygons(placemark_.polygons);
        const bool line = placemark_.kind == "route" || placemark_.kind == "track";
        if (placemark_.segments.empty() && !line) {
            if (!AttachToLine()) EmitWaypoints();
            return;
        }
        const int32_t kind = placemark_.kind == "route" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK;
        if (placemark_.spanBegin || placemark_.spanEnd) ++lineSpans_;
        // A later part continues only the line of the Placemark just before.
        const bool run = placemark_.joins == "run";
        const bool continues = (run || placemark_.joins == "segment") && lastWasLine_ &&
                               lastLineKind_ == kind && lastLineName_ == placemark_.name;
        if (!continues) {
            sets_.BeginLine(kind, placemark_.name);
            linePositions_ = 0;
            // The line's own texts (its description, type, ...).
            SetExtras& texts = sets_.CurrentLine()->extras;
            if (placemark_.description && !placemark_.description->empty())
                texts.push_back({"desc", *placemark_.description});
            for (const auto& [name, value] : placemark_.data) {
                const bool kept = name == "cmt" || name == "src" || name == "number" || name == "type" ||
                                  name == "link" || name == "extensions";
                if (kept) {
                    texts.push_back({name, value});
                } else {
                    LeaveOut(name);
                }
            }
        }
        lastWasLine_ = true;
        lastLineKind_ = kind;
        lastLineName_ = placemark_.name;
        // A one-point route or track may come as a Point, timed by the Placemark.
        if (placemark_.segments.empty()) {
            for (Point& point : placemark_.points.points) point.time = placemark_.time;
            placemark_.segments.push_back(std::move(placemark_.points));
            placemark_.points = Segment();
        }
        size_t positions = 0;
        for (const Segment& segment : placemark_.segments) positions += segment.size();
        WarnOfArrays(placemark_.arrays, positions);
        size_t within = 0;  // positions of the Placemark's segments before
        bool first = true;
        for (Segment& segment : placemark_.segments) {
            if (!placemark_.arrays.empty()) {
                GiveByNumber(segment, within, 0, [&](size_t number, Point& point) {
                    return placemark_.arrays.Give(number - 1, point);
                });
            }
            for (const Refusal& refusal : segment.refusals) {
                sets_.Refuse(refusal.line,
                             sets_.LinePointPlace(linePositions_ + within + refusal.number),
                             refusal.problem);
            }
            within += segment.size();
            sets_.AddSegment(std::move(segment.points), !(first && run));
            first = false;
        }
        linePositions_ += positions;
        EmitWaypoints();
    }

    // Arrays that hold more or fewer values than the line has positions
    // are paired in order, and said.
    void WarnOfArrays(const PointArrays& arrays, size_t positions) {
        std::vector<const std::vector<std::string>*> all = {
            &arrays.times, &arrays.names, &arrays.descriptions, &arrays.symbols};
        for (const auto& [extra, values] : arrays.extras) all.push_back(&values);
        for (const auto* values : all) {
            if (!values->empty() && values->size() != positions) {
                sets_.Warn(textLine_,
                           "line '" + placemark_.name + "' has " + std::to_string(values->size()) +
                               " value(s) in a point array for " + std::to_string(positions) +
                               " positions; they are paired in order");
                return;
            }
        }
    }

    // The names of the Folders a Placemark stands in, outermost first, as a
    // path ("Trips/Alps"); unnamed Folders are passed over.
    std::string FolderPath() const {
        std::string path;
        for (const Folder& folder : folders_) {
            if (!folder.name.empty()) path += (path.empty() ? "" : "/") + folder.name;
        }
        return path;
    }

    // Waypoints that all stand in one outermost Folder are that Folder's set:
    // it names the set, and their paths start below it.
    void TitleWaypoints(std::vector<PointSet>& sets) const {
        if (!sharedOuter_ || sharedOuter_->empty()) return;
        for (PointSet& set : sets) {
            if (set.kind != VEZUVED_KIND_POINT) continue;
            set.title = *sharedOuter_;
            for (Point& point : set.points) {
                if (!point.extras) continue;  // every one has a path here; none is assumed
                PointExtras extras = *point.extras;
                std::string path = extras.Take(PointExtra::Folder).value_or(std::string());
                path.erase(0, std::min(path.size(), sharedOuter_->size() + 1));
                if (!path.empty()) extras.Set(PointExtra::Folder, std::move(path));
                point.extras = extras.values.empty() ? nullptr : std::make_shared<const PointExtras>(extras);
            }
        }
    }

    void EmitWaypoints() {
        lastWasLine_ = lastWasLine_ && placemark_.points.size() == 0;
        const std::string folder = placemark_.points.size() > 0 ? FolderPath() : std::string();
        if (placemark_.points.size() > 0) {
            const std::string outer = folders_.empty() ? std::string() : folders_.front().name;
            if (!sharedOuter_) sharedOuter_ = outer;
            if (*sharedOuter_ != outer) sharedOuter_ = std::string();
        }
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
            point.time = placemark_.time ? placemark_.time : placemark_.spanBegin;
            point.icon = placemark_.symbol;
            point.extras = WaypointExtras(folder);
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
    bool rootSeen_ = false;
    size_t polygonDepth_ = 0;
    bool collect_ = false;  // asked once after each Start, which sets it
    bool inPlacemark_ = false;
    Placemark placemark_;
    std::vector<std::string> parents_;  // element names inside the Placemark
    std::string dataName_;
    size_t textLine_ = 0;                        // where the element whose text is collected starts
    std::vector<std::optional<int64_t>> whens_;  // of the gx:Track being read
    std::vector<Refusal> badWhens_;              // its <when>s that are no time, by number
    size_t pointsLine_ = 0;                      // of the Placemark's last <coordinates>
    size_t waypoints_ = 0;
    size_t gathered_ = 0;                        // positions of the Placemark being read
    std::vector<std::string>* array_ = nullptr;  // the gx:SimpleArrayData being read, if kept
    SetExtras metadata_;                         // the file's own texts
    struct Folder {
        std::string name;
    };
    std::vector<Folder> folders_;             // open, outermost first
    std::optional<std::string> sharedOuter_;  // the outermost Folder of every waypoint so far
    std::vector<std::string> outer_;          // elements open outside any Placemark
    size_t lineSpans_ = 0;                    // TimeSpans of lines, left out
    size_t leftOut_ = 0;                      // ExtendedData values and lists of names not kept
    std::string leftOutNames_;                // the first of those names, quoted
    bool inNetworkLink_ = false;
    std::vector<std::pair<std::string, size_t>> links_;  // NetworkLink hrefs and their lines
    bool lastWasLine_ = false;                           // the last Placemark was a route or track:
    int32_t lastLineKind_ = 0;                           // this one,
    std::string lastLineName_;                           // by this name
    size_t linePositions_ = 0;                           // of the current line so far, those left out too
};

}  // namespace

std::vector<PointSet> ReadKmlSets(MapSource& source, bool strict, MapWarnings& warnings) {
    KmlReader reader(source.what(), strict, warnings);
    std::vector<std::string> read;  // the KML files of a KMZ
    StreamElements(reader, [&](XmlHandler& handler) {
        // A KMZ is read from its file, a zip archive.
        if (!source.plainPath().empty() && IsZipFile(source.plainPath())) {
            read = StreamKmz(source.plainPath(), source.what(), handler);
        } else {
            StreamXmlSource(source, handler);
        }
    });
    return reader.Finish(read);
}

}  // namespace vezuved::maps
