// Points and sets of the library's map writers, built from the texts a
// record gives, for the tests of the documents and pictures.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "sets/points.h"

namespace map_sets {

// A point with its texts, as a record gives them (elevation in feet).
inline vezuved::maps::Point At(const char* name,
                               const char* latitude,
                               const char* longitude,
                               const char* feet,
                               const char* time,
                               const char* icon = "",
                               const char* description = nullptr,
                               bool segmentStart = false) {
    vezuved::maps::Point point =
        vezuved::maps::MakePoint(name, latitude, longitude, feet, time, icon, description);
    point.segmentStart = segmentStart;
    return point;
}

inline vezuved::maps::PointSet Set(const char* title,
                                   int32_t kind,
                                   std::vector<vezuved::maps::Point> points) {
    vezuved::maps::PointSet set;
    set.title = title;
    set.kind = kind;
    set.points = std::move(points);
    return set;
}

// Two timed positions with elevations (6000.5832 ft is 1828.98 m), and one
// out of range that every document leaves out.
inline vezuved::maps::PointSet SmallTrack() {
    return Set("Hike",
               VEZUVED_KIND_TRACK,
               {At("TP1", "45.3311", "-121.7113", "6000.5832", "081500 14082021"),
                At("TP2", "45.3352", "180", "6240.1576", "083000.500 14082021"),
                At("Off", "95", "0", "", "")});
}

}  // namespace map_sets
