// GeoJSON (RFC 7946) that GIS tools take: a FeatureCollection where a route
// or track is one LineString feature ([longitude, latitude, elevation in
// metres], with "coordTimes" when its points have times) and a set of
// points gives one Point feature per point. The two are never mixed for
// one set: a route's or track's points go to a collection of their own
// (WriteGeoJsonPoints). Coordinates carry 7 decimals, elevations 2.
#pragma once

#include <vector>

#include "support/points.h"
#include "support/text_sink.h"

namespace vezuved_cli {

void WriteGeoJson(TextSink& sink, const std::vector<PointSet>& sets, bool compact);

// Every point of the sets as a Point feature, whatever their kind.
void WriteGeoJsonPoints(TextSink& sink, const std::vector<PointSet>& sets, bool compact);

}  // namespace vezuved_cli
