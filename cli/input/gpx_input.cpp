// GPX 1.0 and 1.1, read as a stream. Elements of other namespaces (and
// everything inside <extensions>) are passed over; so are elements the
// tool has no field for.
#include <vector>

#include "input/map_input.h"
#include "input/set_collector.h"
#include "input/xml_stream.h"
#include "support/failure.h"
#include "support/values.h"

namespace vezuved_cli {
namespace {

bool IsGpxSpace(std::string_view space) {
    return space.empty() || space == "http://www.topografix.com/GPX/1/1" ||
           space == "http://www.topografix.com/GPX/1/0";
}

enum class Where { Root, Gpx, Waypoint, Route, RoutePoint, Track, Segment, TrackPoint, Field, Skipped };

class GpxReader {
public:
    explicit GpxReader(const std::string& what) : what_(what), sets_(what) {}

    void Start(const XmlName& name, const char** attributes) {
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
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
            sets_.AddWaypoint(std::move(point_));
        } else if (where == Where::RoutePoint || where == Where::TrackPoint) {
            FinishPoint();
            sets_.AddLinePoint(std::move(point_));
        }
    }

    std::vector<PointSet> Finish() {
        if (!sawRoot_) FailConversion("cannot read '" + what_ + "': it is no GPX file");
        return sets_.Finish();
    }

private:
    Where Enter(Where parent, const XmlName& name, const char** attributes) {
        if (parent == Where::Skipped || parent == Where::Field || !IsGpxSpace(name.space)) return Where::Skipped;
        const std::string_view local = name.local;
        switch (parent) {
            case Where::Root:
                if (local != "gpx") {
                    FailConversion("cannot read '" + what_ + "': it is no GPX file (its root element is <" +
                                   std::string(local) + ">, not <gpx>)");
                }
                sawRoot_ = true;
                return Where::Gpx;
            case Where::Gpx:
                if (local == "wpt") return BeginPoint(attributes, Where::Waypoint);
                if (local == "rte" || local == "trk") {
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
                // The segments of a track are joined in order into the one
                // track: a handheld's track has no breaks.
                if (local == "trkseg") return Where::Segment;
                return local == "name" ? Where::Field : Where::Skipped;
            case Where::Segment:
                return local == "trkpt" ? BeginPoint(attributes, Where::TrackPoint) : Where::Skipped;
            case Where::Waypoint:
            case Where::RoutePoint:
            case Where::TrackPoint:
                return local == "ele" || local == "time" || local == "name" || local == "desc" || local == "cmt" ||
                               local == "sym"
                           ? Where::Field
                           : Where::Skipped;
            default:
                return Where::Skipped;
        }
    }

    Where BeginPoint(const char** attributes, Where where) {
        point_ = Point();
        comment_.clear();
        const char* lat = XmlAttribute(attributes, "lat");
        const char* lon = XmlAttribute(attributes, "lon");
        if (lat != nullptr) point_.latitude = ParseNumber(TrimWhite(lat));
        if (lon != nullptr) point_.longitude = ParseNumber(TrimWhite(lon));
        return where;
    }

    void Field(Where parent, std::string_view local, std::string& text) {
        if (parent == Where::Route || parent == Where::Track) {
            if (!named_ && !TrimWhite(text).empty()) sets_.NameLine(std::string(TrimWhite(text)));
            named_ = true;
            return;
        }
        if (local == "ele") {
            if (const auto metres = ParseNumber(TrimWhite(text))) SetElevation(point_, *metres);
        } else if (local == "time") {
            point_.time = sets_.Time(text);
        } else if (local == "name") {
            point_.name = TrimWhite(text);
        } else if (local == "desc") {
            point_.description = std::move(text);
        } else if (local == "cmt") {
            comment_ = std::move(text);
        } else if (local == "sym") {
            point_.icon = TrimWhite(text);
        }
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
    bool named_ = false;
    bool sawRoot_ = false;
};

void Stream(const std::string& path, const std::string& what, GpxReader& reader) {
    XmlHandler handler;
    handler.start = [&](const XmlName& name, const char** attributes) { reader.Start(name, attributes); };
    handler.end = [&](const XmlName& name, std::string& text) { reader.End(name, text); };
    handler.collectText = [&] { return reader.CollectText(); };
    StreamXml(path, what, handler);
}

}  // namespace

std::vector<PointSet> ReadGpx(const std::string& path, const std::string& what) {
    GpxReader reader(what);
    Stream(path, what, reader);
    return reader.Finish();
}

}  // namespace vezuved_cli
