// Gathers the sets a map file holds while it is read: one set of waypoints
// and the routes and tracks in file order, with names for the unnamed ones.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/points.h"

namespace vezuved_cli {

class SetCollector {
public:
    explicit SetCollector(std::string what) : what_(std::move(what)) { waypoints_.title = "waypoints"; }

    // The number of waypoints and of each line's points, when a first pass
    // counted them: each set then takes exactly its room, where a growing
    // vector would need room for twice its points while it grows.
    void Expect(size_t waypoints, std::vector<size_t> lines);

    void AddWaypoint(Point point) { waypoints_.points.push_back(std::move(point)); }
    // Starts a route or track (unnamed: "track 2"); its points follow.
    void BeginLine(int32_t kind, std::string title);
    void NameLine(std::string title) { lines_.back().title = std::move(title); }
    void AddLinePoint(Point point) { lines_.back().points.push_back(std::move(point)); }
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
    std::vector<size_t> expectedLines_;
    size_t badTimes_ = 0;
    std::string firstBadTime_;
};

// Metres as the point's two elevations.
void SetElevation(Point& point, double metres);

// Text without the white space XML and people put around it.
std::string_view TrimWhite(std::string_view text);

}  // namespace vezuved_cli
