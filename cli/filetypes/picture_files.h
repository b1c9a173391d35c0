// The tool's pictures (an SVG drawing, an HTML page with the sets' figures
// above it), drawn by the library's core from a collection of the sets'
// placeable points.
#pragma once

#include <vector>

#include "files/document_sink.h"
#include "values/points.h"

namespace vezuved_cli {

void WriteSvgPicture(DocumentSink& sink, const std::vector<PointSet>& sets);
void WriteHtmlPicture(DocumentSink& sink, const std::vector<PointSet>& sets);

}  // namespace vezuved_cli
