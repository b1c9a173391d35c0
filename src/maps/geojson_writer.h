// GeoJSON (RFC 7946) that GIS tools take: a FeatureCollection where a route
// or track is one feature, a LineString, or a MultiLineString of one line
// per segment, or a Point when it has one position; its properties give
// "name", "kind" ("route" or "track") and, per position, "coordTimes",
// "coordNames", "coordDescriptions" and "coordSymbols" (each only when some
// position has the value, null where one lacks it, an array per line as the
// coordinates are). A set of points gives one Point feature per point. A
// position is [longitude, latitude] with the elevation in metres third only
// where the point has one. The two are never mixed for one set: a route's
// or track's points go to a collection of their own (WriteGeoJsonPoints).
// Coordinates carry 7 decimals, elevations 2.
#pragma once

#include <vector>

#include "maps/document_sink.h"
#include "maps/line_walk.h"
#include "sets/points.h"

namespace vezuved::maps {

void WriteGeoJson(DocumentSink& sink, const std::vector<PointSet>& sets, bool compact);
// With the sets' facts already found (ScanLines), which saves a walk.
void WriteGeoJson(DocumentSink& sink,
                  const std::vector<PointSet>& sets,
                  bool compact,
                  const std::vector<LineFacts>& facts);

// Every point of the sets as a Point feature, whatever their kind.
void WriteGeoJsonPoints(DocumentSink& sink, const std::vector<PointSet>& sets, bool compact);

}  // namespace vezuved::maps
