// The SVG drawing of the sets (svg_writer.h) inside a minimal HTML5 page,
// under a heading of the sets' titles and the figures a caller gives.
#pragma once

#include <string>
#include <vector>

#include "maps/document_sink.h"
#include "sets/points.h"

namespace vezuved::maps {

// What the page shows above its drawing: a table, whose first row heads
// the columns and each row's first cell heads its row, or else a note.
// Neither when both are empty.
struct PageFigures {
    std::vector<std::vector<std::string>> table;
    std::string note;
};

void WriteHtml(DocumentSink& sink, const std::vector<PointSet>& sets, const PageFigures& figures);

}  // namespace vezuved::maps
