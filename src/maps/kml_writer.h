// KML 2.2: a Document named after the sets, a Folder per set (so GIS tools
// see one layer each). Points are Placemarks with a Point, their symbol as
// <Data name="sym">. A route or track is one Placemark marked as such by
// <Data name="kind">: a gx:Track (every <when>, then every <gx:coord>; an
// empty <when/> for a point without a time) when any of its positions has a
// time or it has only one, a LineString otherwise; several segments make a
// gx:MultiTrack or a MultiGeometry. Below it, each of its points with a
// name, description or symbol is a Placemark of its own that names the
// point by its index among the line's positions (<Data name="point">,
// from 0).
// Positions with an elevation are absolute altitudes in metres.
#pragma once

#include <vector>

#include "maps/document_sink.h"
#include "maps/line_walk.h"
#include "sets/points.h"

namespace vezuved::maps {

void WriteKml(DocumentSink& sink, const std::vector<PointSet>& sets);
// With the sets' facts already found (ScanLines), which saves a walk.
void WriteKml(DocumentSink& sink, const std::vector<PointSet>& sets, const std::vector<LineFacts>& facts);

}  // namespace vezuved::maps
