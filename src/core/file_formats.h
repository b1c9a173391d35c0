// The one registry of formats (vezuved_get_format lists it), and which
// format a path is read or written in: the one the caller names, or the
// one its extension says.
#pragma once

#include <cstdint>
#include <string>

namespace vezuved::core {

// A VEZUVED_FORMAT_* code; by extension when chosen is 0. Fails
// (VEZUVED_ERROR_ARGUMENT) for a code that is no format or an extension
// that names none. Only a file read is named by a read-only extension
// (".kmz") or looked through its ".gz": one written is given neither.
int32_t ChooseFormat(int32_t chosen, const std::string& path, bool read = true);

// The map format a file's name gives it by its extension (before a ".gz"),
// one of those read from an archive: GPX, KML, GeoJSON, IGC, NMEA, TCX or
// FIT; VEZUVED_FORMAT_BY_EXTENSION for any other name.
int32_t MapFormatOfName(const std::string& name);

// As ChooseFormat for a file to read, where an extension no other format
// claims is text described by a ".cal" definition when one is named
// (definition not empty) or the file's own sits beside it, when described
// is true (a layout or columns given), or when the extension is one of the
// handheld's record lines (.rlp, .rlt, .rlr).
int32_t ChooseReadFormat(int32_t chosen,
                         const std::string& path,
                         const std::string& definition,
                         bool described = false);

// Whether the file at path can be opened for reading.
bool FileExists(const std::string& path);

// Fails (VEZUVED_ERROR_OPEN, "cannot read 'x': the file cannot be opened")
// unless it can, so a file that cannot be opened is told apart from one
// that is not of its format.
void RequireReadable(const std::string& path);

// Fails (VEZUVED_ERROR_UNSUPPORTED) for a format the registry lists as read only.
void RequireWritable(int32_t format, const std::string& name);

}  // namespace vezuved::core
