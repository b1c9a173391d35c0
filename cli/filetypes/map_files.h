// The map documents `show` prints and `convert` saves: GPX, GeoJSON, KML,
// and pictures (SVG, or SVG inside an HTML page), written by the library's
// core. One document holds every set given: a set the core read and the
// tool left as it was is written from what the core read, so a large track
// is never held twice; a set the tool changed goes in from its points.
// What a document cannot hold (a GPX route's segments) is said on the err
// given.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/records.h"
#include "filetypes/tool_formats.h"
#include "values/points.h"

namespace vezuved_cli {

// Writes the document to path, whole or not at all; "-" is standard output.
// Returns each set's point count.
std::vector<size_t> SaveDocument(std::ostream& err,
                                 const std::string& path,
                                 MapFormat format,
                                 std::vector<LoadedPoints>& sets,
                                 const MapOptions& options);

// The document as text.
std::string RenderDocument(std::ostream& err,
                           MapFormat format,
                           std::vector<LoadedPoints>& sets,
                           const MapOptions& options);

// The text file at text written to path as a GPX, KML or GeoJSON document
// while it is read, never held; described takes its set's kind and title.
// Returns its point count.
size_t SaveTextDocument(std::ostream& err,
                        const std::string& path,
                        MapFormat format,
                        const std::string& text,
                        const TextOptions& textOptions,
                        const MapOptions& options,
                        PointSet& described);

// Where --points puts a GeoJSON file's points: "trip.geojson" gives
// "trip-points.geojson".
std::string PointsFilePath(const std::string& geojsonPath);

// "vezuved X.Y.Z", the creator named in GPX files.
const char* ToolName();

}  // namespace vezuved_cli
