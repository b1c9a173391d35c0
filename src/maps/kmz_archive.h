// A KMZ is a zip archive holding KML: its "doc.kml", or else the first
// ".kml" inside. The archive is read through libzip; a build without it
// (the Windows one) says so and fails.
#pragma once

#include <string>

#include "maps/xml_stream.h"

namespace vezuved::maps {

// Whether the file starts as a zip archive does.
bool IsZipFile(const std::string& path);

// Streams the KML inside the KMZ at path to handler; what names the file
// in messages. Fails when it is no zip, holds no KML or its KML would
// unpack beyond kLargestKmzKml.
void StreamKmz(const std::string& path, const std::string& what, XmlHandler& handler);

// The most KML a KMZ may unpack to: a hostile archive cannot fill the
// memory or time of the tool by claiming more.
constexpr unsigned long long kLargestKmzKml = 1ull << 30;

}  // namespace vezuved::maps
