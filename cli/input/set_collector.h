// Gathers the sets a map file holds while it is read: one set of waypoints
// and the routes and tracks in file order, with names for the unnamed ones.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/points.h"

namespace vezuved_cli {

// Points gathered in blocks of a fixed size: a growing vector would need
// room for up to three times its points while it moves them, where these
// move once, into a vector of exactly their room, each block freed as it
// empties.
class PointBlocks {
public:
    void Add(Point point);
    // Appends every point to points and leaves the blocks empty.
    void MoveInto(std::vector<Point>& points);

private:
    std::vector<std::vector<Point>> blocks_;
    size_t count_ = 0;
};

class SetCollector {
public:
    explicit SetCollector(std::string what) : what_(std::move(what)) { waypoints_.title = "waypoints"; }

    void AddWaypoint(Point point) { waypointBlocks_.Add(std::move(point)); }
    // Starts a route or track (unnamed: "track 2"); its points follow.
    void BeginLine(int32_t kind, std::string title);
    void NameLine(std::string title) { lines_.back().title = std::move(title); }
    void AddLinePoint(Point point) { lineBlocks_.back().Add(std::move(point)); }
    void SetLinePoints(std::vector<Point> points) { lines_.back().points = std::move(points); }

    // A time text that is no ISO 8601 time is counted, and the point keeps
    // no time.
    std::optional<int64_t> Time(std::string_view text);

    // The sets, empty ones left out with a warning; fails when no set has a
    // point.
    std::vector<PointSet> Finish();

private:
    std::string what_;
    PointSet waypoints_;
    std::vector<PointSet> lines_;
    PointBlocks waypointBlocks_;
    std::vector<PointBlocks> lineBlocks_;  // one for each of lines_
    size_t badTimes_ = 0;
    std::string firstBadTime_;
};

// Metres as the point's two elevations.
void SetElevation(Point& point, double metres);

// Text without the white space XML and people put around it.
std::string_view TrimWhite(std::string_view text);

}  // namespace vezuved_cli
