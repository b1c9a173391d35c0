// Readers of the map formats: GPX 1.0 and 1.1, KML 2.2 (and KMZ),
// GeoJSON, IGC, NMEA 0183, TCX and FIT. Each returns the file's sets in this order: its waypoints (one
// set, when it has any), then its routes and tracks as they come. A file
// with no point at all fails with a MapFailure: there is nothing to
// convert. A point with a bad value is added to warnings and left out;
// strict: the read fails instead.
#pragma once

#include <string>
#include <vector>

#include "maps/map_source.h"
#include "maps/map_warning.h"
#include "sets/points.h"

namespace vezuved::maps {

// The source names the file in messages (its path, or "standard input").
// warnings gains what the read went past, in order, even when it then fails.
std::vector<PointSet> ReadGpxSets(MapSource& source, bool strict, MapWarnings& warnings);
std::vector<PointSet> ReadKmlSets(MapSource& source, bool strict, MapWarnings& warnings);
// IGC: the flight as a track, its declared task as a route.
std::vector<PointSet> ReadIgcSets(MapSource& source, bool strict, MapWarnings& warnings);
// NMEA 0183: the fixes of RMC and GGA sentences as one track.
std::vector<PointSet> ReadNmeaSets(MapSource& source, bool strict, MapWarnings& warnings);
// TCX: each activity and course a track, each of its laps a segment; the
// course points waypoints.
std::vector<PointSet> ReadTcxSets(MapSource& source, bool strict, MapWarnings& warnings);
// FIT: the records of an activity or course a track, each lap and each
// pause a segment;
// course points and saved locations waypoints.
std::vector<PointSet> ReadFitSets(MapSource& source, bool strict, MapWarnings& warnings);
std::vector<PointSet> ReadGeoJsonSets(MapSource& source, bool strict, MapWarnings& warnings);

}  // namespace vezuved::maps
