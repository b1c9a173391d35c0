// Readers of the map formats the tool takes in: GPX 1.0 and 1.1, KML 2.2
// and GeoJSON. Each returns the file's sets in this order: its waypoints
// (one set, when it has any), then its routes and tracks as they come. A
// file with no point at all fails: there is nothing to convert. A point
// with a bad value is reported and left out; strict: the read fails.
#pragma once

#include <string>
#include <vector>

#include "values/points.h"

namespace vezuved_cli {

// what names the file in messages (its path, or "standard input"). ReadKml
// reads a KMZ (zipped KML) as well.
std::vector<PointSet> ReadGpx(const std::string& path, const std::string& what, bool strict);
std::vector<PointSet> ReadKml(const std::string& path, const std::string& what, bool strict);
std::vector<PointSet> ReadGeoJson(const std::string& path, const std::string& what, bool strict);

}  // namespace vezuved_cli
