// The map documents `show` prints and `convert` saves: GPX, GeoJSON, KML,
// and pictures (SVG, or SVG inside an HTML page). One document holds every
// set given; points without a valid position are left out with a warning on
// standard error.
#pragma once

#include <string>
#include <vector>

#include "support/points.h"

namespace vezuved_cli {

enum class MapFormat { Gpx, GeoJson, Kml, Svg, Html };

struct MapOptions {
    bool compact = false;  // GeoJSON on one line
};

// The document as text.
std::string RenderMap(MapFormat format, const std::vector<PointSet>& sets, const MapOptions& options);

// Writes the document to path, whole or not at all; "-" is standard output.
void SaveMap(const std::string& path, MapFormat format, const std::vector<PointSet>& sets,
             const MapOptions& options);

// "vezuved X.Y.Z", the creator named in GPX files (defined beside main).
const char* ToolName();

}  // namespace vezuved_cli
