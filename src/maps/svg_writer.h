// A picture of the sets with no tiles, network or scripts: an SVG drawing
// on an equirectangular projection (x shrunk by the cosine of the middle
// latitude) scaled to fit an 800 x 600 map, with points as small circles
// named beside them, routes dashed blue and tracks solid red, and below the
// map an elevation profile for each track whose points have elevations.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "maps/document_sink.h"
#include "sets/points.h"

namespace vezuved::maps {

class XmlWriter;

void WriteSvg(DocumentSink& sink, const std::vector<PointSet>& sets);

// The <svg> element alone, for a document that holds the drawing.
void DrawPicture(XmlWriter& xml, const std::vector<PointSet>& sets);

// The sets' titles joined by ", "; "Map" when none has one.
std::string PictureTitle(const std::vector<PointSet>& sets);

// The number of points a picture can place; there is nothing to draw without one.
size_t DrawablePointCount(const std::vector<PointSet>& sets);

}  // namespace vezuved::maps
