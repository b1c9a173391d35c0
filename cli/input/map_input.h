// The tool's readers of GPX, KML (KMZ) and GeoJSON: the library's, with
// what they went past printed on the run's error stream as the tool has
// always said it, and their failures as the tool's own.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "values/points.h"

namespace vezuved_cli {

// what names the file in messages (its path, or "standard input").
std::vector<PointSet> ReadGpx(std::ostream& err,
                              const std::string& path,
                              const std::string& what,
                              bool strict);
std::vector<PointSet> ReadKml(std::ostream& err,
                              const std::string& path,
                              const std::string& what,
                              bool strict);
std::vector<PointSet> ReadGeoJson(std::ostream& err,
                                  const std::string& path,
                                  const std::string& what,
                                  bool strict);

}  // namespace vezuved_cli
