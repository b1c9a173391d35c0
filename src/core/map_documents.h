// GPX, KML and GeoJSON files read into sets and written from them; SVG
// and HTML pictures written from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maps/document_sink.h"
#include "maps/html_writer.h"
#include "maps/map_source.h"
#include "maps/map_warning.h"
#include "sets/points.h"

namespace vezuved::core {

// The sets of the file at path in format (VEZUVED_FORMAT_GPX, _KML or
// _GEOJSON); warnings gains what the read went past. Fails with a
// CoreFailure: VEZUVED_ERROR_OPEN, _FORMAT or _UNSUPPORTED (a picture).
std::vector<maps::PointSet> ReadMapFile(const std::string& path,
                                        int32_t format,
                                        bool strict,
                                        maps::MapWarnings& warnings);

// The sets of a map file's bytes in format, one of the map formats read
// (not a database, text, archive or picture). Fails with a MapFailure.
std::vector<maps::PointSet> ReadMapSource(maps::MapSource& source,
                                          int32_t format,
                                          bool strict,
                                          maps::MapWarnings& warnings);

// How a document is written besides its sets.
struct MapWriteRequest {
    int32_t format = 0;
    bool compact = false;       // GeoJSON on one line
    std::string creator;        // names the GPX's writer
    maps::PageFigures figures;  // an HTML page's
};

// Writes sets to path, whole or not at all; warnings gains what the
// document cannot hold (a GPX route's segments). Fails with
// VEZUVED_ERROR_WRITE, the previous file whole, or VEZUVED_ERROR_FORMAT
// for a picture with nothing to draw.
void WriteMapFile(const std::string& path,
                  const std::vector<maps::PointSet>& sets,
                  const MapWriteRequest& request,
                  maps::MapWarnings& warnings);

// Writes sets into sink; name stands for the document in messages.
void WriteMapDocument(maps::DocumentSink& sink,
                      const std::string& name,
                      const std::vector<maps::PointSet>& sets,
                      const MapWriteRequest& request,
                      maps::MapWarnings& warnings);

}  // namespace vezuved::core
