#include "core/file_formats.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/ascii.h"
#include "core/core_failure.h"
#include "core/text_overrides.h"
#include "core/text_sets.h"
#include "maps/map_source.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

constexpr uint32_t kReadWrite = VEZUVED_FORMAT_READS | VEZUVED_FORMAT_WRITES;

// What the formats keep, as the flags combine.
constexpr uint32_t kKinds = VEZUVED_KEEPS_WAYPOINTS | VEZUVED_KEEPS_ROUTES | VEZUVED_KEEPS_TRACKS;
constexpr uint32_t kTexts = VEZUVED_KEEPS_NAMES | VEZUVED_KEEPS_DESCRIPTIONS | VEZUVED_KEEPS_SYMBOLS;
constexpr uint32_t kValues = VEZUVED_KEEPS_TIMES | VEZUVED_KEEPS_ELEVATIONS | kTexts;
constexpr uint32_t kEverything = kKinds | VEZUVED_KEEPS_SETS | VEZUVED_KEEPS_SEGMENTS | kValues;
constexpr uint32_t kTimedTrack = VEZUVED_KEEPS_TRACKS | VEZUVED_KEEPS_TIMES | VEZUVED_KEEPS_ELEVATIONS;

// The registry: every format once, in the order of its code.
constexpr vezuved_format_info kFormats[] = {
    {VEZUVED_FORMAT_GPX,
     kReadWrite,
     "GPX",
     "gpx",
     ".gpx",
     "",
     "waypoints, routes and tracks (a route has no segments)",
     kEverything},
    {VEZUVED_FORMAT_KML,
     kReadWrite,
     "KML",
     "kml",
     ".kml",
     ".kmz",
     "placemarks, routes and tracks",
     kEverything},
    {VEZUVED_FORMAT_GEOJSON,
     kReadWrite,
     "GeoJSON",
     "geojson json",
     ".geojson .json",
     "",
     "points and lines with their properties",
     kEverything},
    {VEZUVED_FORMAT_PDB,
     kReadWrite,
     "database",
     "pdb",
     ".pdb",
     "",
     "one set of points, a route or a track, at most 65535 records",
     kKinds | kValues},
    {VEZUVED_FORMAT_TEXT,
     kReadWrite,
     "text",
     "text",
     "",
     "",
     "one set, in the columns its format definition names",
     kKinds | kValues},
    {VEZUVED_FORMAT_SVG,
     VEZUVED_FORMAT_WRITES,
     "SVG picture",
     "svg",
     ".svg",
     "",
     "a drawing of the sets",
     kKinds | VEZUVED_KEEPS_SETS | VEZUVED_KEEPS_SEGMENTS},
    {VEZUVED_FORMAT_HTML,
     VEZUVED_FORMAT_WRITES,
     "HTML page",
     "html",
     ".html .htm",
     "",
     "a drawing of the sets in a page",
     kKinds | VEZUVED_KEEPS_SETS | VEZUVED_KEEPS_SEGMENTS | VEZUVED_KEEPS_ELEVATIONS},
    {VEZUVED_FORMAT_IGC,
     VEZUVED_FORMAT_READS,
     "IGC",
     "igc",
     ".igc",
     "",
     "a flight recorder's flight as a track, its declared task as a route",
     kTimedTrack | VEZUVED_KEEPS_ROUTES | VEZUVED_KEEPS_SETS},
    {VEZUVED_FORMAT_NMEA,
     VEZUVED_FORMAT_READS,
     "NMEA",
     "nmea",
     ".nmea",
     "",
     "a receiver's fixes (RMC and GGA sentences) as a track",
     kTimedTrack},
    {VEZUVED_FORMAT_TCX,
     VEZUVED_FORMAT_READS,
     "TCX",
     "tcx",
     ".tcx",
     "",
     "activities and courses as tracks (a lap a segment), course points as waypoints",
     kTimedTrack | VEZUVED_KEEPS_WAYPOINTS | VEZUVED_KEEPS_SETS | VEZUVED_KEEPS_SEGMENTS | kTexts},
    {VEZUVED_FORMAT_FIT,
     VEZUVED_FORMAT_READS,
     "FIT",
     "fit",
     ".fit",
     "",
     "an activity or course as a track (a lap a segment), course points and locations as waypoints",
     kTimedTrack | VEZUVED_KEEPS_WAYPOINTS | VEZUVED_KEEPS_SETS | VEZUVED_KEEPS_SEGMENTS |
         VEZUVED_KEEPS_NAMES | VEZUVED_KEEPS_SYMBOLS},
    {VEZUVED_FORMAT_ARCHIVE,
     VEZUVED_FORMAT_READS,
     "zip archive",
     "zip",
     ".zip",
     "",
     "the track files inside, gzipped or not, each activity named as its activities.csv names it",
     kEverything},
};

// The extension of the last path component, "" when it has none; a
// gzipped file read is read as the one before ".gz" (track.fit.gz is FIT).
std::string ExtensionOf(std::string path, bool read) {
    if (read && maps::IsGzipName(path)) path.resize(path.size() - 3);
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

// Whether the list of words, a space between, holds word, any case.
bool ListHolds(const char* list, const std::string& word) {
    for (const char* at = list; !word.empty() && *at != 0;) {
        const char* end = std::strchr(at, ' ');
        const size_t length = end == nullptr ? std::strlen(at) : static_cast<size_t>(end - at);
        if (length == word.size() && EqualsIgnoreCase(std::string(at, length).c_str(), word.c_str()))
            return true;
        at += length + (end == nullptr ? 0 : 1);
    }
    return false;
}

// The format the extension names; by extension (0) when it names none.
// Only a file read is named by the extensions read only (".kmz").
int32_t FormatOfExtension(const std::string& path, bool read = true) {
    const std::string extension = ExtensionOf(path, read);
    for (const vezuved_format_info& known : kFormats) {
        if (ListHolds(known.extensions, extension) || (read && ListHolds(known.read_extensions, extension)))
            return known.format;
    }
    return VEZUVED_FORMAT_BY_EXTENSION;
}

}  // namespace

int32_t MapFormatOfName(const std::string& name) {
    const int32_t format = FormatOfExtension(name);
    const bool map = format != VEZUVED_FORMAT_BY_EXTENSION && format != VEZUVED_FORMAT_PDB &&
                     format != VEZUVED_FORMAT_TEXT && format != VEZUVED_FORMAT_SVG &&
                     format != VEZUVED_FORMAT_HTML && format != VEZUVED_FORMAT_ARCHIVE;
    return map ? format : VEZUVED_FORMAT_BY_EXTENSION;
}

int32_t ChooseReadFormat(int32_t chosen,
                         const std::string& path,
                         const std::string& definition,
                         bool described) {
    if (chosen == VEZUVED_FORMAT_BY_EXTENSION && FormatOfExtension(path) == VEZUVED_FORMAT_BY_EXTENSION &&
        (described || !definition.empty() || RecordLineKind(path) || FileExists(DefinitionBeside(path)))) {
        return VEZUVED_FORMAT_TEXT;
    }
    return ChooseFormat(chosen, path);
}

int32_t ChooseFormat(int32_t chosen, const std::string& path, bool read) {
    if (chosen != VEZUVED_FORMAT_BY_EXTENSION) {
        if (chosen < VEZUVED_FORMAT_GPX || chosen > VEZUVED_FORMAT_ARCHIVE) {
            FailCore(VEZUVED_ERROR_ARGUMENT, "'" + path + "': " + std::to_string(chosen) + " is no format");
        }
        return chosen;
    }
    const int32_t format = FormatOfExtension(path, read);
    if (format != VEZUVED_FORMAT_BY_EXTENSION) return format;
    FailCore(VEZUVED_ERROR_ARGUMENT,
             "'" + path + "': its extension names no format; give one in the options");
}

bool FileExists(const std::string& path) {
    // A look only, past the file-call seam as before; the path is UTF-8.
    return std::ifstream(std::filesystem::u8path(path), std::ios::binary).is_open();
}

void RequireReadable(const std::string& path) {
    if (!FileExists(path))
        FailCore(VEZUVED_ERROR_OPEN, "cannot read '" + path + "': the file cannot be opened");
}

void RequireWritable(int32_t format, const std::string& name) {
    for (const vezuved_format_info& known : kFormats) {
        if (known.format == format && (known.flags & VEZUVED_FORMAT_WRITES) == 0)
            FailCore(VEZUVED_ERROR_UNSUPPORTED,
                     "cannot write '" + name + "': " + known.name + " is read, never written");
    }
}

}  // namespace vezuved::core

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_format(int32_t index, vezuved_format_info* info) {
    using vezuved::core::kFormats;
    if (info == nullptr || index < 0 || static_cast<size_t>(index) >= std::size(kFormats))
        return VEZUVED_ERROR_ARGUMENT;
    *info = kFormats[index];
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_format_of_name(const char* name, uint32_t flags) {
    if (name == nullptr) return VEZUVED_FORMAT_BY_EXTENSION;
    return vezuved::core::FormatOfExtension(name, (flags & VEZUVED_FORMAT_READS) != 0);
}
