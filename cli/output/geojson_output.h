// GeoJSON (RFC 7946): a FeatureCollection with a Point feature for every
// point that has a valid position and, for a route or track, a LineString
// through them. Positions are [longitude, latitude, elevation in metres].
#pragma once

#include <string>
#include <vector>

#include "support/points.h"

namespace vezuved_cli {

std::string WriteGeoJson(const std::vector<PointSet>& sets);

}  // namespace vezuved_cli
