// The map documents `show` prints and `convert` saves: GPX, GeoJSON, KML,
// and pictures (SVG, or SVG inside an HTML page). One document holds every
// set given; points without a valid position are left out with a warning on
// the err given, as are the segment breaks of a route written to GPX
// (which has none). The documents are written piece by piece, so a large
// track needs no second copy in memory.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "filetypes/tool_formats.h"
#include "values/points.h"

namespace vezuved_cli {

// The document as text.
std::string RenderMap(std::ostream& err,
                      MapFormat format,
                      const std::vector<PointSet>& sets,
                      const MapOptions& options);

// Writes the document to path, whole or not at all; "-" is standard output.
// Returns each set's point count, those without a valid position included.
std::vector<size_t> SaveMap(std::ostream& err,
                            const std::string& path,
                            MapFormat format,
                            const std::vector<PointSet>& sets,
                            const MapOptions& options);

// Where --points puts a GeoJSON file's points: "trip.geojson" gives
// "trip-points.geojson".
std::string PointsFilePath(const std::string& geojsonPath);

// "vezuved X.Y.Z", the creator named in GPX files.
const char* ToolName();

}  // namespace vezuved_cli
