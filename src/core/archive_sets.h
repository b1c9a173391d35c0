// A zip archive of track files read as one file: a Strava bulk export, or
// any zip of GPX, KML, GeoJSON, TCX, FIT, IGC and NMEA files.
#pragma once

#include <string>
#include <vector>

#include "maps/map_warning.h"
#include "sets/points.h"

namespace vezuved::core {

// The sets of every track file in the archive at path, in the archive's
// order, gzipped ones unpacked. When the archive holds an activities.csv,
// each file it names has its routes and tracks named by it ("Morning Ride",
// then "Morning Ride 2"). A file that cannot be read is a warning naming it
// and its cause (strict: the read fails); the files that are no track file
// are counted in one warning. Fails with a MapFailure when no track file
// gives a point.
std::vector<maps::PointSet> ReadArchiveSets(const std::string& path,
                                            bool strict,
                                            maps::MapWarnings& warnings);

}  // namespace vezuved::core
