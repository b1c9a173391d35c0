// GPX and GeoJSON texts for `show` and `convert`, with a warning on
// standard error for the points they must leave out.
#pragma once

#include <string>

#include "support/points.h"

namespace vezuved_cli {

std::string RenderGpx(const PointSet& set);
std::string RenderGeoJson(const PointSet& set);

// "vezuved X.Y.Z", the creator named in GPX files (defined beside main).
const char* ToolName();

}  // namespace vezuved_cli
