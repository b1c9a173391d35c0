// Gathers the sets a map file holds while it is read: one set of waypoints
// and the routes and tracks in file order, with names for the unnamed ones.
// Points a reader cannot use are reported here, all by one rule: named by
// FILE:LINE (or by their set and number where no line is known) with the
// value at fault, and left out; when strict, the first one fails the read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "maps/map_warning.h"
#include "maps/read_caps.h"
#include "sets/points.h"

namespace vezuved::maps {

// What a point's number is: each is checked for its own range.
enum class PointValue { Latitude, Longitude, Elevation };

// Points gathered in blocks of a fixed size: a growing vector would need
// room for up to three times its points while it moves them, where these
// move once, into a vector of exactly their room, each block freed as it
// empties.
class PointBlocks {
public:
    void Add(Point point);
    // Appends every point to points and leaves the blocks empty.
    void MoveInto(std::vector<Point>& points);
    size_t size() const { return count_; }

private:
    std::vector<std::vector<Point>> blocks_;
    size_t count_ = 0;
};

class SetCollector {
public:
    // warnings gains what the read goes past, as it is met.
    SetCollector(std::string what, bool strict, MapWarnings& warnings)
        : what_(std::move(what)), strict_(strict), warnings_(warnings) {
        waypoints_.title = "waypoints";
    }

    void AddWaypoint(Point point) {
        Count(1);
        waypointBlocks_.Add(std::move(point));
    }
    // Starts a route or track (unnamed: "track 2"); its points follow.
    void BeginLine(int32_t kind, std::string title);
    void NameLine(std::string title) { lines_.back().title = std::move(title); }
    // The next point added to the line begins a new segment (unless the line
    // has no point yet: a set's first point begins no segment).
    void BeginSegment() { segmentPending_ = true; }
    void AddLinePoint(Point point);
    // The points of a segment at once (a line's first: taken whole); with
    // startsSegment false, they continue the segment before.
    void AddSegment(std::vector<Point> points, bool startsSegment = true);
    // Fails when points more than those added would pass kMostPointsRead: a
    // reader that gathers points before adding them asks as it gathers.
    void CheckRoom(size_t pending) const;
    // The line being read, its points all in place, for attaching texts to them.
    PointSet* CurrentLine();

    // How messages name a point: the current line's point number (1-based,
    // counting the points left out), or a waypoint's number and name.
    std::string LinePointPlace(size_t number) const;
    std::string WaypointPlace(size_t number, const std::string& name) const;

    // Reports a point that is left out: line is the file's line, 0 when not
    // known. Fails instead when strict.
    void Refuse(size_t line, const std::string& place, const std::string& problem);
    // Something met at line (0: not known) that the read goes past.
    void Warn(size_t line, const std::string& cause);

    // Polygons hold no point of a route or track: they are counted, and
    // the count said once.
    void SkipPolygons(size_t count) { polygons_ += count; }

    // The sets, empty ones left out with a warning; fails when no set has a
    // point.
    std::vector<PointSet> Finish();

private:
    // Something about the file as a whole, named in quotes.
    void WarnAboutFile(const std::string& cause);
    // Counts points added, failing past kMostPointsRead.
    void Count(size_t added);

    std::string what_;
    bool strict_;
    MapWarnings& warnings_;
    PointSet waypoints_;
    std::vector<PointSet> lines_;
    PointBlocks waypointBlocks_;
    std::vector<PointBlocks> lineBlocks_;  // one for each of lines_, its points before they are in place
    bool segmentPending_ = false;
    size_t refused_ = 0;
    size_t points_ = 0;  // added so far
    size_t polygons_ = 0;
};

// The text as the given value: an xsd:double (sign, leading zeros, exponent;
// white space around it allowed) within the value's range. On failure,
// problem says which value and why, quoting the text.
std::optional<double> ReadPointValue(PointValue which, std::string_view text, std::string& problem);
// A number already read (from JSON) checked by the same ranges.
std::optional<double> CheckPointValue(PointValue which, double value, std::string& problem);
// An ISO 8601 time; empty text is no time and no problem.
std::optional<int64_t> ReadPointTime(std::string_view text, std::string& problem);

// Metres as the point's two elevations.
void SetElevation(Point& point, double metres);

// A point's own values, as each XML reader's elements name them.
enum class PointField { Elevation, Time, Name, Description, Symbol };
// Gives the point the field read from text: an empty elevation is no value;
// one that cannot be read sets problem, which leaves the point out.
void SetPointField(Point& point, PointField field, std::string& text, std::string& problem);

// Text without the white space XML and people put around it.
std::string_view TrimWhite(std::string_view text);

}  // namespace vezuved::maps
