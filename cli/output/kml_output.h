// KML 2.2: a Document named after the sets, a Folder per set (so GIS tools
// see one layer of one geometry type each). Points are Placemarks with a
// Point; a route or track is one Placemark with a LineString, marked as
// such by <Data name="kind"> so it reads back as what it was. Positions
// with an elevation are absolute altitudes in metres.
#pragma once

#include <vector>

#include "support/points.h"
#include "support/text_sink.h"

namespace vezuved_cli {

void WriteKml(TextSink& sink, const std::vector<PointSet>& sets);

}  // namespace vezuved_cli
