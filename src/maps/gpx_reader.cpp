// GPX 1.0 and 1.1, read as a stream. Elements of other namespaces (and
// everything inside <extensions>) are passed over; so are elements the
// tool has no field for. Each <trkseg> after a track's first begins a new
// segment of it.
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "maps/xml_stream.h"

namespace vezuved::maps {
namespace {

bool IsGpxSpace(std::string_view space) {
    return space.empty() || space == "http://www.topografix.com/GPX/1/1" ||
           space == "http://www.topografix.com/GPX/1/0";
}

enum class Where { Root, Gpx, Waypoint, Route, RoutePoint, Track, Segment, TrackPoint, Field, Skipped };

class GpxReader {
public:
    GpxReader(const std::string& what, bool strict, MapWarnings& warnings)
        : what_(what), sets_(what, strict, warnings) {}

    void Start(const XmlName& name, const char** attributes, size_t line) {
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        line_ = line;
        stack_.push_back(Enter(parent, name, attributes));
    }

    bool CollectText() const { return !stack_.empty() && stack_.back() == Where::Field; }

    void End(const XmlName& name, std::string& text) {
        const Where where = stack_.back();
        stack_.pop_back();
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        if (where == Where::Field) {
            Field(parent, name.local, text);
        } else if (where == Where::Waypoint) {
            FinishPoint();
            if (problem_.empty()) {
                sets_.AddWaypoint(std::move(point_));
            } else {
                sets_.Refuse(pointLine_, sets_.WaypointPlace(waypoints_, point_.name), problem_);
            }
        } else if (where == Where::RoutePoint || where == Where::TrackPoint) {
            FinishPoint();
            if (problem_.empty()) {
                sets_.AddLinePoint(std::move(point_));
            } else {
                sets_.Refuse(pointLine_, sets_.LinePointPlace(linePoints_), problem_);
            }
        }
    }

    std::vector<PointSet> Finish() {
        if (!sawRoot_) FailMap("cannot read '" + what_ + "': it is no GPX file");
        return sets_.Finish();
    }

private:
    Where Enter(Where parent, const XmlName& name, const char** attributes) {
        if (parent == Where::Skipped || parent == Where::Field || !IsGpxSpace(name.space))
            return Where::Skipped;
        const std::string_view local = name.local;
        switch (parent) {
            case Where::Root:
                if (local != "gpx") {
                    FailMap("cannot read '" + what_ + "': it is no GPX file (its root element is <" +
                            std::string(local) + ">, not <gpx>)");
                }
                sawRoot_ = true;
                return Where::Gpx;
            case Where::Gpx:
                if (local == "wpt") return BeginPoint(attributes, Where::Waypoint);
                if (local == "rte" || local == "trk") {
                    linePoints_ = 0;
                    // Named when its <name> ends.
                    sets_.BeginLine(local == "rte" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK, "");
                    named_ = false;
                    return local == "rte" ? Where::Route : Where::Track;
                }
                return Where::Skipped;
            case Where::Route:
                if (local == "rtept") return BeginPoint(attributes, Where::RoutePoint);
                return local == "name" ? Where::Field : Where::Skipped;
            case Where::Track:
                if (local == "trkseg") {
                    sets_.BeginSegment();
                    return Where::Segment;
                }
                return local == "name" ? Where::Field : Where::Skipped;
            case Where::Segment:
                return local == "trkpt" ? BeginPoint(attributes, Where::TrackPoint) : Where::Skipped;
            case Where::Waypoint:
            case Where::RoutePoint:
            case Where::TrackPoint:
                return local == "ele" || local == "time" || local == "name" || local == "desc" ||
                               local == "cmt" || local == "sym"
                           ? Where::Field
                           : Where::Skipped;
            default:
                return Where::Skipped;
        }
    }

    Where BeginPoint(const char** attributes, Where where) {
        ++(where == Where::Waypoint ? waypoints_ : linePoints_);
        point_ = Point();
        comment_.clear();
        problem_.clear();
        pointLine_ = line_;
        const char* lat = XmlAttribute(attributes, "lat");
        const char* lon = XmlAttribute(attributes, "lon");
        if (lat == nullptr || lon == nullptr) {
            problem_ = lat == nullptr ? "it has no latitude" : "it has no longitude";
            return where;
        }
        point_.latitude = ReadPointValue(PointValue::Latitude, lat, problem_);
        if (problem_.empty()) point_.longitude = ReadPointValue(PointValue::Longitude, lon, problem_);
        return where;
    }

    void Field(Where parent, std::string_view local, std::string& text) {
        if (parent == Where::Route || parent == Where::Track) {
            if (!named_ && !TrimWhite(text).empty()) sets_.NameLine(std::string(TrimWhite(text)));
            named_ = true;
            return;
        }
        // An empty <ele/> or <time/> is no value; an unreadable one leaves
        // the point out.
        std::string problem;
        if (local == "ele") {
            if (TrimWhite(text).empty()) return;
            if (const auto metres = ReadPointValue(PointValue::Elevation, text, problem))
                SetElevation(point_, *metres);
        } else if (local == "time") {
            point_.time = ReadPointTime(text, problem);
        } else if (local == "name") {
            point_.name = TrimWhite(text);
        } else if (local == "desc") {
            point_.description = std::move(text);
        } else if (local == "cmt") {
            comment_ = std::move(text);
        } else if (local == "sym") {
            point_.icon = TrimWhite(text);
        }
        if (problem_.empty()) problem_ = std::move(problem);
    }

    // GPX 1.0 writers often put the note in <cmt> alone.
    void FinishPoint() {
        if (!point_.description && !comment_.empty()) point_.description = std::move(comment_);
    }

    std::string what_;
    SetCollector sets_;
    std::vector<Where> stack_;
    Point point_;
    std::string comment_;
    std::string problem_;   // why the point being read is left out, if it is
    size_t line_ = 0;       // of the element just started
    size_t pointLine_ = 0;  // of the point being read
    bool named_ = false;
    bool sawRoot_ = false;
    size_t waypoints_ = 0;   // read so far, for messages
    size_t linePoints_ = 0;  // of the route or track being read, so far
};

}  // namespace

std::vector<PointSet> ReadGpxSets(MapSource& source, bool strict, MapWarnings& warnings) {
    GpxReader reader(source.what(), strict, warnings);
    StreamElements(reader, [&](XmlHandler& handler) { StreamXmlSource(source, handler); });
    return reader.Finish();
}

}  // namespace vezuved::maps
