// What a user does to a track before it goes onto a handheld: simplify it,
// fit it to a point limit, split it where the recording paused, crop it to
// a time window or an area, and merge several logs into one. The steps run
// in the order they were given, on every route and track of the sets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "filters/time_zone.h"
#include "values/points.h"

namespace vezuved_cli {

enum class FilterKind { Simplify, Fit, Split, Crop, Merge };
enum class SplitBy { Gap, Distance, Day };

// A south, west, north and east edge in degrees; west > east crosses 180°.
struct GeoBox {
    double south = 0, west = 0, north = 0, east = 0;
};

struct FilterStep {
    FilterKind kind = FilterKind::Simplify;
    std::string text;  // the option as given ("--simplify 10m"), for messages
    // Simplify and Fit: a point count, or (simplify) an error in metres.
    size_t count = 0;
    std::optional<double> errorMetres;
    // Split: where a new segment begins.
    SplitBy splitBy = SplitBy::Gap;
    int64_t gapMillis = 0;
    double distanceMetres = 0;
    // Crop: a time window (either end open) or a box.
    std::optional<int64_t> from, to;  // UTC milliseconds, inclusive
    std::optional<GeoBox> box;
};

// The steps and what they share: the extra waypoints of --keep-near whose
// nearest track points a simplification keeps, and the zone of --tz whose
// midnight --split day cuts at.
struct FilterPlan {
    std::vector<FilterStep> steps;
    std::vector<Point> keepNear;
    TimeZone zone;
    bool empty() const { return steps.empty(); }
    bool Splits() const;  // whether any step is a split
};

// One step from its option ("simplify", "fit", "split", "crop", "merge")
// and value ("500", "10m", "gap=10min", "time=2021-08-14T08:00Z..",
// "box=45.1,6.2,45.3,6.5"); a value it cannot read fails as a usage error
// that says what it takes.
FilterStep ParseFilterStep(const std::string& option, const std::string& value);

// Runs the plan's steps in order over the routes and tracks of sets (the
// waypoint sets are left as they are, and their points are what a
// simplification passes). What a step removes or cannot do is said on
// diagnostics, one line per set; a route or track left empty is dropped
// with a line. Distance-based steps fail (exit 1) in a build without the
// ellipsoid's geodesics.
void ApplyFilters(std::vector<PointSet>& sets, const FilterPlan& plan, std::ostream& diagnostics);

// The most points a Palm database holds, what "--fit pdb" asks for.
constexpr size_t kDatabasePointLimit = 65535;

}  // namespace vezuved_cli
