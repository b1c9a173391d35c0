// GPX 1.0 and 1.1, read as a stream. A point's elements beyond the tool's
// fields (cmt beside a desc, type, fix, sat, hdop, ...) and the values of a
// TrackPointExtension (Garmin's, any version: heart rate, cadence,
// temperature, ...) are kept as the point's extras; a route's or track's
// desc, cmt, src, type and number, and the metadata's desc, author,
// keywords and time, as its set's. Links, the metadata's copyright and
// author's email, and every other extension are kept as their XML, to be
// written again (GPX 1.0's url and urlname as a link); other elements of
// other namespaces are passed over and said. Each <trkseg> after a track's
// first begins a new segment.
#include <vector>

#include "maps/map_failure.h"
#include "maps/map_readers.h"
#include "maps/set_collector.h"
#include "maps/xml_escape.h"
#include "maps/xml_fragment.h"
#include "maps/xml_stream.h"

namespace vezuved::maps {
namespace {

constexpr std::string_view kGpx11 = "http://www.topografix.com/GPX/1/1";

bool IsGpxSpace(std::string_view space) {
    return space.empty() || space == kGpx11 || space == "http://www.topografix.com/GPX/1/0";
}

enum class Where {
    Root,
    Gpx,
    Metadata,
    Author,
    Waypoint,
    Route,
    RoutePoint,
    Track,
    Segment,
    TrackPoint,
    Extensions,      // of a point
    LineExtensions,  // of a route or track
    MetadataExtensions,
    FileExtensions,  // <gpx>'s own, after its tracks
    Sensors,
    Raw,  // an element kept as its XML (a link, an extension)
    Field,
    Skipped
};

bool IsGpx10Motion(std::string_view local) { return local == "speed" || local == "course"; }

// GPX 1.0's <url> and <urlname>, which GPX 1.1 holds as a <link>.
bool IsUrl(std::string_view local) { return local == "url" || local == "urlname"; }

bool IsLineText(std::string_view local) {
    return local == "name" || local == "cmt" || local == "desc" || local == "src" || local == "type" ||
           local == "number";
}

class GpxReader {
public:
    GpxReader(const std::string& what, bool strict, MapWarnings& warnings)
        : what_(what), sets_(what, strict, warnings) {}

    void Start(const XmlName& name, const char** attributes, size_t line) {
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        line_ = line;
        stack_.push_back(Enter(parent, name, attributes));
        if (stack_.back() == Where::Raw) {
            // A link (or copyright, email) of a GPX without a namespace is GPX 1.1's all the same.
            const std::string_view key = rawKey_;
            // Every key but an extension's names an element of GPX's own.
            const bool link = key.find("extensions") == std::string_view::npos;
            raw_.Open(link && name.space.empty() ? XmlName{kGpx11, name.local} : name, attributes);
        }
        // An element the tool keeps nothing of is counted, by name, to be said.
        // Written anew: the bounds from the points, the file's name from its sets.
        const bool derived = name.local == "bounds" || (parent == Where::Metadata && name.local == "name");
        if (stack_.back() == Where::Skipped && parent != Where::Skipped && parent != Where::Root &&
            !derived) {
            ++leftOut_;
            const std::string local(name.local);
            if (leftOutNames_.size() < 8 && leftOutNames_.find(local) == std::string::npos)
                leftOutNames_ += (leftOutNames_.empty() ? "" : ", ") + local;
        }
    }

    bool CollectText() const {
        return !stack_.empty() && (stack_.back() == Where::Field || stack_.back() == Where::Raw);
    }

    void End(const XmlName& name, std::string& text) {
        const Where where = stack_.back();
        stack_.pop_back();
        const Where parent = stack_.empty() ? Where::Root : stack_.back();
        if (where == Where::Field) {
            Field(parent, name.local, text);
        } else if (where == Where::Raw) {
            raw_.Close(name, text);
            if (parent != Where::Raw) KeepRaw();
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
        if (leftOut_ > 0) {
            sets_.Warn(0,
                       std::to_string(leftOut_) + " element(s) the tool keeps no value of are left out (" +
                           leftOutNames_ + ")");
        }
        std::vector<PointSet> sets = sets_.Finish();
        if (!metadata_.empty()) {
            sets.front().extras.insert(sets.front().extras.begin(), metadata_.begin(), metadata_.end());
        }
        return sets;
    }

private:
    Where Enter(Where parent, const XmlName& name, const char** attributes) {
        if (parent == Where::Raw) return Where::Raw;
        if (parent == Where::Skipped || parent == Where::Field) return Where::Skipped;
        const std::string_view local = name.local;
        // Inside <extensions>, other namespaces are the point.
        PointExtra extra;
        if (parent == Where::Extensions)
            return local == "TrackPointExtension" ? Where::Sensors : BeginRaw("extensions");
        if (parent == Where::LineExtensions) return BeginRaw("extensions");
        if (parent == Where::MetadataExtensions) return BeginRaw("metadata:extensions");
        if (parent == Where::FileExtensions) return BeginRaw("metadata:file-extensions");
        if (parent == Where::Sensors) return ExtraOfGpx(local, true, extra) ? Where::Field : Where::Skipped;
        if (!IsGpxSpace(name.space)) return Where::Skipped;
        switch (parent) {
            case Where::Root:
                if (local != "gpx") {
                    FailMap("cannot read '" + what_ + "': it is no GPX file (its root element is <" +
                            std::string(local) + ">, not <gpx>)");
                }
                sawRoot_ = true;
                return Where::Gpx;
            case Where::Metadata:
                if (local == "author") return Where::Author;
                if (local == "link") return BeginRaw("metadata:link");
                if (local == "copyright") return BeginRaw("metadata:copyright");
                if (local == "extensions") return Where::MetadataExtensions;
                return local == "desc" || local == "keywords" || local == "time" ? Where::Field
                                                                                 : Where::Skipped;
            case Where::Author:
                if (local == "email") return BeginRaw("metadata:author-email");
                if (local == "link") return BeginRaw("metadata:author-link");
                return local == "name" ? Where::Field : Where::Skipped;
            case Where::Gpx:
                if (local == "metadata") return Where::Metadata;
                // GPX 1.0 holds the file's texts at its top.
                if (local == "desc" || local == "author" || local == "time" || local == "keywords" ||
                    IsUrl(local))
                    return Where::Field;
                if (local == "wpt") return BeginPoint(attributes, Where::Waypoint);
                if (local == "extensions") return Where::FileExtensions;
                if (local == "rte" || local == "trk") {
                    linePoints_ = 0;
                    // Named when its <name> ends.
                    sets_.BeginLine(local == "rte" ? VEZUVED_KIND_ROUTE : VEZUVED_KIND_TRACK, "");
                    lineUrl_ = {};
                    named_ = false;
                    return local == "rte" ? Where::Route : Where::Track;
                }
                return Where::Skipped;
            case Where::Route:
                if (local == "rtept") return BeginPoint(attributes, Where::RoutePoint);
                if (local == "extensions") return Where::LineExtensions;
                if (local == "link") return BeginRaw("link");
                return IsLineText(local) || IsUrl(local) ? Where::Field : Where::Skipped;
            case Where::Track:
                if (local == "extensions") return Where::LineExtensions;
                if (local == "link") return BeginRaw("link");
                if (local == "trkseg") {
                    sets_.BeginSegment();
                    return Where::Segment;
                }
                return IsLineText(local) || IsUrl(local) ? Where::Field : Where::Skipped;
            case Where::Segment:
                return local == "trkpt" ? BeginPoint(attributes, Where::TrackPoint) : Where::Skipped;
            case Where::Waypoint:
            case Where::RoutePoint:
            case Where::TrackPoint:
                if (local == "extensions") return Where::Extensions;
                if (local == "link") return BeginRaw("link");
                return local == "ele" || local == "time" || local == "name" || local == "desc" ||
                               local == "sym" || ExtraOfGpx(local, false, extra) || IsGpx10Motion(local) ||
                               IsUrl(local)
                           ? Where::Field
                           : Where::Skipped;
            default:
                return Where::Skipped;
        }
    }

    Where BeginPoint(const char** attributes, Where where) {
        ++(where == Where::Waypoint ? waypoints_ : linePoints_);
        point_ = Point();
        extras_ = PointExtras();
        pointUrl_ = {};
        problem_.clear();
        pointLine_ = line_;
        const char* lat = AttributeValue(attributes, "lat");
        const char* lon = AttributeValue(attributes, "lon");
        if (lat == nullptr || lon == nullptr) {
            problem_ = lat == nullptr ? "it has no latitude" : "it has no longitude";
            return where;
        }
        point_.latitude = ReadPointValue(PointValue::Latitude, lat, problem_);
        if (problem_.empty()) point_.longitude = ReadPointValue(PointValue::Longitude, lon, problem_);
        return where;
    }

    void Field(Where parent, std::string_view local, std::string& text) {
        if (IsUrl(local)) return Url(parent, local, TrimWhite(text));
        if (parent == Where::Metadata || parent == Where::Author || parent == Where::Gpx) {
            const std::string key =
                parent == Where::Author || local == "author" ? "author" : std::string(local);
            metadata_.push_back({"metadata:" + key, std::move(text)});
            return;
        }
        if ((parent == Where::Route || parent == Where::Track) && local != "name") {
            sets_.CurrentLine()->extras.push_back({std::string(local), std::move(text)});
            return;
        }
        if (parent == Where::Route || parent == Where::Track) {
            if (!named_ && !TrimWhite(text).empty()) sets_.NameLine(std::string(TrimWhite(text)));
            named_ = true;
            return;
        }
        PointExtra extra;
        // GPX 1.0's speed and course are a point's own; GPX 1.1 has them in the extension.
        if (ExtraOfGpx(local, parent == Where::Sensors || IsGpx10Motion(local), extra)) {
            extras_.Set(extra, std::string(TrimWhite(text)));
            return;
        }
        static const std::pair<std::string_view, PointField> kFields[] = {{"ele", PointField::Elevation},
                                                                          {"time", PointField::Time},
                                                                          {"name", PointField::Name},
                                                                          {"desc", PointField::Description},
                                                                          {"sym", PointField::Symbol}};
        for (const auto& [element, field] : kFields) {
            if (local != element) continue;
            std::string problem;
            SetPointField(point_, field, text, problem);
            if (problem_.empty()) problem_ = std::move(problem);
        }
    }

    // GPX 1.0's url and urlname of a point, line or file, as the <link> GPX
    // 1.1 holds them in, made anew as each is read.
    void Url(Where parent, std::string_view local, std::string_view text) {
        auto& [url, name] = parent == Where::Gpx                               ? fileUrl_
                            : parent == Where::Route || parent == Where::Track ? lineUrl_
                                                                               : pointUrl_;
        (local == "url" ? url : name) = std::string(text);
        std::string link = "<link href=\"" + EscapeXml(url) + "\">";
        if (!name.empty()) link += "<text>" + EscapeXml(name) + "</text>";
        link += "</link>";
        if (parent == Where::Gpx) {
            SetText(metadata_, "metadata:link", link);
        } else if (parent == Where::Route || parent == Where::Track) {
            SetText(sets_.CurrentLine()->extras, "link", link);
        } else {
            extras_.Set(PointExtra::Link, link);
        }
    }

    static void SetText(SetExtras& texts, const char* key, const std::string& text) {
        for (auto& [name, value] : texts) {
            if (name == key) return void(value = text);
        }
        texts.push_back({key, text});
    }

    // An element kept as its XML (a link, an extension), under key: the
    // point's, the line's or the file's, by where it stands.
    Where BeginRaw(const char* key) {
        rawKey_ = key;
        return Where::Raw;
    }

    // One read whole, after those of its kind before it.
    void KeepRaw() {
        std::string xml = raw_.Take();
        const Where owner = stack_.back();
        if (owner == Where::Metadata || owner == Where::Author || owner == Where::MetadataExtensions ||
            owner == Where::FileExtensions) {
            AppendText(metadata_, rawKey_, xml);
        } else if (owner == Where::Route || owner == Where::Track || owner == Where::LineExtensions) {
            AppendText(sets_.CurrentLine()->extras, rawKey_, xml);
        } else {
            const PointExtra extra =
                rawKey_ == std::string_view("link") ? PointExtra::Link : PointExtra::Extensions;
            const std::string* before = extras_.Find(extra);
            extras_.Set(extra, before != nullptr ? *before + xml : xml);
        }
    }

    static void AppendText(SetExtras& texts, const char* key, const std::string& xml) {
        for (auto& [name, text] : texts) {
            if (name == key) return void(text += xml);
        }
        texts.push_back({key, xml});
    }

    // GPX 1.0 writers often put the note in <cmt> alone: it is then the
    // description; beside one, an extra.
    void FinishPoint() {
        if (!point_.description) {
            std::optional<std::string> comment = extras_.Take(PointExtra::Comment);
            if (comment && !comment->empty()) point_.description = std::move(comment);
        }
        if (!extras_.values.empty()) point_.extras = std::make_shared<const PointExtras>(std::move(extras_));
    }

    std::string what_;
    SetCollector sets_;
    std::vector<Where> stack_;
    Point point_;
    PointExtras extras_;       // of the point being read
    XmlFragment raw_{kGpx11};  // the element kept as XML being read
    const char* rawKey_ = "";
    // GPX 1.0's url and urlname, of the point, line and file being read.
    std::pair<std::string, std::string> pointUrl_, lineUrl_, fileUrl_;
    SetExtras metadata_;
    size_t leftOut_ = 0;        // elements passed over, with their subtrees
    std::string leftOutNames_;  // the first of their names
    std::string problem_;       // why the point being read is left out, if it is
    size_t line_ = 0;           // of the element just started
    size_t pointLine_ = 0;      // of the point being read
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
