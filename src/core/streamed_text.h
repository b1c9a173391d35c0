// A text written as a map document without its points being held: the
// text is read again for each pass the document's writer makes.
#pragma once

#include <cstdint>
#include <string>

#include "core/map_documents.h"
#include "core/text_sets.h"
#include "maps/document_sink.h"
#include "maps/map_warning.h"
#include "sets/points.h"

namespace vezuved::core {

// Writes the text of request as a GPX, KML or GeoJSON document into sink
// (name stands for it in messages), every point a waypoint when asPoints.
// warnings gains what the first pass left out; a text that changes
// between passes fails. described takes the set's name and kind. Returns
// the number of points written.
int64_t WriteTextDocument(maps::DocumentSink& sink,
                          const std::string& name,
                          const TextReadRequest& request,
                          const MapWriteRequest& write,
                          bool asPoints,
                          maps::MapWarnings& warnings,
                          maps::PointSet& described);

}  // namespace vezuved::core
