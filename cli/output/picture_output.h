// Pictures of the sets with no tiles, network or scripts: an SVG drawing on
// an equirectangular projection (x shrunk by the cosine of the middle
// latitude) scaled to fit an 800 x 600 map, with points as small circles
// named beside them, routes dashed blue and tracks solid red, and below the
// map an elevation profile for each track whose points have elevations.
// The HTML page is the same drawing inside a minimal HTML5 document.
#pragma once

#include <vector>

#include "files/document_sink.h"
#include "values/points.h"

namespace vezuved_cli {

void WriteSvg(DocumentSink& sink, const std::vector<PointSet>& sets);
void WriteHtml(DocumentSink& sink, const std::vector<PointSet>& sets);

// The number of points a picture can place; there is nothing to draw without one.
size_t DrawablePointCount(const std::vector<PointSet>& sets);

}  // namespace vezuved_cli
