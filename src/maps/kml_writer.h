// KML 2.2: a Document named after the sets, a Folder per set (so GIS tools
// see one layer each). Points are Placemarks with a Point, their symbol as
// <Data name="sym">. A route or track is a Placemark marked as such by
// <Data name="kind">: a gx:Track (every <when>, then every <gx:coord> of
// three numbers) when its points have elevations and any time, a
// LineString otherwise; several segments make a gx:MultiTrack or a
// MultiGeometry. Its points' names, descriptions, symbols (and a
// LineString's times) are gx:SimpleArrayData beside it, a value per point.
// A line with elevations only in places is a Placemark per run of points
// with and without them, the later ones marked <Data name="part"> "run" or
// "segment". Positions with an elevation are absolute altitudes in metres.
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
