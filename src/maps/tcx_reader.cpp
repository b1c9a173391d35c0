// Training Center XML (TCX 2), read as a stream by the same XML reader as
// GPX. Each activity and each course is a track, named by the activity's
// Id (its start time) or the course's name; each <Track> after a set's
// first, which a device begins at every lap and after every pause, begins a
// new segment. A course's course points are waypoints, their type their
// symbol. A trackpoint without a position (a watch logs heart rate through
// a tunnel, or indoors) is no point: such points are counted and said once.
// A trackpoint's heart rate and cadence, and its extension's speed (or run
// cadence), are kept as the point's sensor values, as GPX's
// TrackPointExtension holds them; what else a trackpoint holds (its
// distance, its power) is counted and said.
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "maps/xml_stream.h"

namespace vezuved::maps {
namespace {

bool IsTcxSpace(std::string_view space) {
    return space.empty() || space == "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";
}

enum class Where {
    Root,
    Database,
    Activities,
    Activity,
    Courses,
    Course,
    Lap,
    Track,
    TrackPoint,
    CoursePoint,
    Position,
    HeartRate,
    Extensions,
    Tpx,  // the ActivityExtension's TPX: speed, run cadence, watts
    Field,
    Skipped
};

class TcxReader {
public:
    TcxReader(const std::string& what, bool strict, MapWarnings& warnings)
        : what_(what), sets_(what, strict, warnings) {}

    void Start(const XmlName& name, const char**, size_t line) {
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        line_ = line;
        stack_.push_back(Enter(parent, name.local, name.space));
    }

    bool CollectText() const { return !stack_.empty() && stack_.back() == Where::Field; }

    void End(const XmlName& name, std::string& text) {
        const Where where = stack_.back();
        stack_.pop_back();
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        if (where == Where::Field) {
            Field(parent, name.local, text);
        } else if (where == Where::TrackPoint) {
            FinishTrackPoint();
        } else if (where == Where::CoursePoint) {
            if (!problem_.empty()) {
                sets_.Refuse(pointLine_, sets_.WaypointPlace(waypoints_, point_.name), problem_);
            } else if (HasPosition()) {
                sets_.AddWaypoint(std::move(point_));
            } else {
                sets_.Refuse(pointLine_, sets_.WaypointPlace(waypoints_, point_.name), "it has no position");
            }
        }
    }

    std::vector<PointSet> Finish() {
        if (!sawRoot_) FailMap("cannot read '" + what_ + "': it is no TCX file");
        if (leftOut_ > 0) {
            sets_.Warn(0,
                       std::to_string(leftOut_) +
                           " trackpoint value(s) the tool keeps none of are left out (" + leftOutNames_ +
                           ")");
        }
        if (unplaced_ > 0) {
            sets_.Warn(
                0,
                std::to_string(unplaced_) +
                    " trackpoint(s) without a position (a time, heart rate or distance alone) left out");
        }
        return sets_.Finish();
    }

private:
    Where Enter(Where parent, std::string_view local, std::string_view space) {
        if (parent == Where::Root) {
            if (local != "TrainingCenterDatabase") {
                FailMap("cannot read '" + what_ + "': it is no TCX file (its root element is <" +
                        std::string(local) + ">, not <TrainingCenterDatabase>)");
            }
            if (!IsTcxSpace(space))
                FailMap("cannot read '" + what_ + "': it is no TCX 2 file (its namespace is '" +
                        std::string(space) + "')");
        }
        if (parent == Where::Skipped || parent == Where::Field) return Where::Skipped;
        if (parent == Where::Extensions && local == "TPX") return Where::Tpx;
        if (parent == Where::Tpx) return SensorField(local);
        if (!IsTcxSpace(space)) return Where::Skipped;
        switch (parent) {
            case Where::Root:
                sawRoot_ = true;
                return Where::Database;
            case Where::Database:
                return local == "Activities" ? Where::Activities
                       : local == "Courses"  ? Where::Courses
                                             : Where::Skipped;
            case Where::Activities:
                // A multisport session holds its activities one level down.
                if (local == "MultiSportSession" || local == "FirstSport" || local == "NextSport")
                    return Where::Activities;
                return local == "Activity" ? BeginLine(Where::Activity) : Where::Skipped;
            case Where::Courses:
                return local == "Course" ? BeginLine(Where::Course) : Where::Skipped;
            case Where::Activity:
                if (local == "Id") return Where::Field;
                return local == "Lap" ? Where::Lap : Where::Skipped;
            case Where::Course:
                if (local == "Name") return Where::Field;
                if (local == "Track") return BeginTrack();
                return local == "CoursePoint" ? BeginPoint(Where::CoursePoint) : Where::Skipped;
            case Where::Lap:
                return local == "Track" ? BeginTrack() : Where::Skipped;
            case Where::Track:
                return local == "Trackpoint" ? BeginPoint(Where::TrackPoint) : Where::Skipped;
            case Where::TrackPoint:
                if (local == "HeartRateBpm") return Where::HeartRate;
                if (local == "Extensions") return Where::Extensions;
                if (local == "Cadence") return Where::Field;
                if (local == "DistanceMeters" || local == "SensorState") return LeaveOut(local);
                [[fallthrough]];
            case Where::CoursePoint:
                if (local == "Position") return Where::Position;
                return local == "Time" || local == "AltitudeMeters" || local == "Name" || local == "Notes" ||
                               local == "PointType"
                           ? Where::Field
                           : Where::Skipped;
            case Where::Position:
                return local == "LatitudeDegrees" || local == "LongitudeDegrees" ? Where::Field
                                                                                 : Where::Skipped;
            case Where::HeartRate:
                return local == "Value" ? Where::Field : Where::Skipped;
            default:
                return Where::Skipped;
        }
    }

    // A TPX value: speed and run cadence are kept, the rest said.
    Where SensorField(std::string_view local) {
        return local == "Speed" || local == "RunCadence" ? Where::Field : LeaveOut(local);
    }

    // A trackpoint's value the tool keeps none of, counted by name.
    Where LeaveOut(std::string_view local) {
        ++leftOut_;
        if (leftOutNames_.find(std::string(local)) == std::string::npos)
            leftOutNames_ += (leftOutNames_.empty() ? "" : ", ") + std::string(local);
        return Where::Skipped;
    }

    Where BeginLine(Where where) {
        linePoints_ = 0;
        named_ = false;
        sets_.BeginLine(VEZUVED_KIND_TRACK, "");  // named when its Id or Name ends
        return where;
    }

    Where BeginTrack() {
        sets_.BeginSegment();
        return Where::Track;
    }

    Where BeginPoint(Where where) {
        point_ = Point();
        extras_ = PointExtras();
        problem_.clear();
        latitude_.reset();
        longitude_.reset();
        pointLine_ = line_;
        if (where == Where::CoursePoint) ++waypoints_;
        return where;
    }

    bool HasPosition() {
        if (!latitude_ || !longitude_) return false;
        point_.latitude = *latitude_;
        point_.longitude = *longitude_;
        return true;
    }

    void FinishTrackPoint() {
        if (!latitude_ && !longitude_ && problem_.empty()) {
            ++unplaced_;
            return;
        }
        ++linePoints_;
        if (!extras_.values.empty()) point_.extras = std::make_shared<const PointExtras>(std::move(extras_));
        if (problem_.empty() && !HasPosition())
            problem_ = latitude_ ? "it has no longitude" : "it has no latitude";
        if (problem_.empty()) {
            sets_.AddLinePoint(std::move(point_));
        } else {
            sets_.Refuse(pointLine_, sets_.LinePointPlace(linePoints_), problem_);
        }
    }

    void Field(Where parent, std::string_view local, std::string& text) {
        if (parent == Where::Activity || parent == Where::Course) {
            if (!named_ && !TrimWhite(text).empty()) sets_.NameLine(std::string(TrimWhite(text)));
            named_ = true;
            return;
        }
        // A sensor's value, as the file wrote it.
        if (parent == Where::HeartRate || parent == Where::Tpx || local == "Cadence") {
            const PointExtra extra = parent == Where::HeartRate ? PointExtra::HeartRate
                                     : local == "Speed"         ? PointExtra::Speed
                                                                : PointExtra::Cadence;
            // A bike's cadence before a run's, where a file had both.
            if (!TrimWhite(text).empty() && !(local == "RunCadence" && extras_.Find(extra) != nullptr))
                extras_.Set(extra, std::string(TrimWhite(text)));
            return;
        }
        // An empty element is no value; an unreadable one leaves the point out.
        std::string problem;
        if (local == "LatitudeDegrees") {
            latitude_ = ReadPointValue(PointValue::Latitude, text, problem);
        } else if (local == "LongitudeDegrees") {
            longitude_ = ReadPointValue(PointValue::Longitude, text, problem);
        } else {
            static const std::pair<std::string_view, PointField> kFields[] = {
                {"AltitudeMeters", PointField::Elevation},
                {"Time", PointField::Time},
                {"Name", PointField::Name},
                {"Notes", PointField::Description},
                {"PointType", PointField::Symbol}};
            for (const auto& [element, field] : kFields) {
                if (local == element) SetPointField(point_, field, text, problem);
            }
        }
        if (problem_.empty()) problem_ = std::move(problem);
    }

    std::string what_;
    SetCollector sets_;
    std::vector<Where> stack_;
    Point point_;
    PointExtras extras_;  // of the trackpoint being read
    std::optional<double> latitude_, longitude_;
    std::string problem_;   // why the point being read is left out, if it is
    size_t line_ = 0;       // of the element just started
    size_t pointLine_ = 0;  // of the point being read
    bool named_ = false;
    bool sawRoot_ = false;
    size_t waypoints_ = 0;   // course points read so far, for messages
    size_t linePoints_ = 0;  // positioned points of the track being read, so far
    size_t unplaced_ = 0;    // trackpoints without a position
    size_t leftOut_ = 0;     // trackpoint values kept nowhere
    std::string leftOutNames_;
};

}  // namespace

std::vector<PointSet> ReadTcxSets(MapSource& source, bool strict, MapWarnings& warnings) {
    TcxReader reader(source.what(), strict, warnings);
    StreamElements(reader, [&](XmlHandler& handler) { StreamXmlSource(source, handler); });
    return reader.Finish();
}

}  // namespace vezuved::maps
