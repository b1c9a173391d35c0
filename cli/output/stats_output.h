// The figures of routes, tracks and waypoints (track_stats.h) as
// `vezuved stats` prints them and as the HTML page shows them.
#pragma once

#include <string>
#include <vector>

#include "filters/track_stats.h"

namespace vezuved_cli {

// A block per set: its name, then one aligned line per figure.
std::string StatsText(const std::vector<TrackStats>& stats);
// A list of one object per set; distances in metres, times in seconds and
// ISO 8601, speeds in km/h.
std::string StatsJson(const std::vector<TrackStats>& stats);
// A table for the HTML page above its map: a row of headings, then a row
// per set headed by its name; none for no set.
std::vector<std::vector<std::string>> StatsTable(const std::vector<TrackStats>& stats);

}  // namespace vezuved_cli
