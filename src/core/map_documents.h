// GPX, KML and GeoJSON files read into sets and written from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maps/map_warning.h"
#include "sets/points.h"

namespace vezuved::core {

// The sets of the file at path in format (VEZUVED_FORMAT_GPX, _KML or
// _GEOJSON); warnings gains what the read went past. Fails with a
// CoreFailure: VEZUVED_ERROR_OPEN, _FORMAT or _UNSUPPORTED.
std::vector<maps::PointSet> ReadMapFile(const std::string& path,
                                        int32_t format,
                                        bool strict,
                                        maps::MapWarnings& warnings);

// Writes sets to path in format, whole or not at all; creator names the
// GPX's writer. Fails with VEZUVED_ERROR_WRITE, the previous file whole.
void WriteMapFile(const std::string& path,
                  int32_t format,
                  const std::vector<maps::PointSet>& sets,
                  const std::string& creator);

}  // namespace vezuved::core
