// The formats the tool reads and writes, by the core's registry
// (vezuved_get_format): the names --from and --to take are its keywords,
// the extensions its extensions. The look-ups below are the only places
// that know a format by its name or extension; the one rule of the tool's
// own is that a ".json" output is its JSON listing. Any input is read here.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/records.h"
#include "files/run_context.h"
#include "values/options.h"
#include "values/points.h"

namespace vezuved_cli {

// The documents the tool writes whole, by the core's format codes.
enum class MapFormat : int32_t {
    Gpx = VEZUVED_FORMAT_GPX,
    Kml = VEZUVED_FORMAT_KML,
    GeoJson = VEZUVED_FORMAT_GEOJSON,
    Svg = VEZUVED_FORMAT_SVG,
    Html = VEZUVED_FORMAT_HTML
};

struct MapOptions {
    bool compact = false;   // GeoJSON on one line
    bool asPoints = false;  // every point as a waypoint, a route's and a track's too
    // GeoJSON: when not empty, the points of the routes and tracks are also
    // written there, as a collection of Point features of their own.
    std::string pointsFile;
};

// The type a --from/--to name stands for (gpx, kml, geojson, json, pdb, text).
std::optional<FileType> FileTypeForName(const std::string& name);

// The names --from takes, one per type, as a sentence gives them:
// "gpx, kml, geojson, pdb, text, ... or zip"; written: those --to takes,
// the types written too.
std::string FileTypeNames(bool written = false);

// The type a path's extension names, any case; text for any other.
FileType FileTypeForPath(std::string_view path);

// As FileTypeForPath, for a file read: an archive of a format is that format.
FileType InputTypeForPath(std::string_view path);

// The map document an output path's extension asks for (.gpx, .geojson,
// .kml, .svg, .html or .htm, any case); none for other files.
std::optional<MapFormat> MapFormatForPath(std::string_view path);

// What an output is written as: a map document, the run's JSON listing,
// or a database or text file.
struct OutputFormat {
    std::optional<MapFormat> map;
    bool json = false;
    FileType type = FileType::Text;  // Gpx for a document or the listing
};
// By --to, else by the output's extension. Fails (usage) for standard
// output without --to, and for text nothing says how to lay out: no
// definition, no '.cal' of the output's own, and no extension (.csv, .txt,
// .tsv) that plainly names text.
OutputFormat OutputFormatFor(const std::optional<FileType>& to,
                             const std::string& output,
                             const std::string& definition);

// A file of sets the core reads as a whole (GPX, KML, GeoJSON, IGC): not a
// database or a text, which hold one set each.
bool IsMap(FileType type);

// The extension, with its dot, of a file of type the tool names itself.
std::string SavedExtension(FileType type);

// --- Reading any input by its type ---

struct InputFile {
    std::string path;  // where the bytes are (a temporary copy for "-")
    std::string what;  // how messages name it: the path given, or "standard input"
    FileType type = FileType::Text;
};

// Fails, naming the input by its kind, unless it is a file, and for text
// unless something says what its columns hold: a definition (named, or its
// own ".cal"), a record-line extension, --columns or --layout, or --auto;
// that is a usage error.
void RequireInput(const InputFile& input, const TextOptions& options);

// The sets of the file (an input OpenInput opened, or one RequireInput
// passed), as the core read them: one for a database or text
// file, one per waypoints/route/track for a map file. hold: their points
// held by the tool at once, for whatever lists or changes them.
std::vector<LoadedPoints> ReadInput(const RunContext& run,
                                    const InputFile& input,
                                    const TextOptions& options,
                                    bool hold = true);

// The input for a path given on the command line: "-" is standard input,
// copied whole into a temporary file that lives as long as the run.
// from: the type "--from" named, if any; "-" needs one, and text from "-"
// needs its definition named (nothing lies beside standard input). A file
// is checked by RequireInput.
InputFile OpenInput(RunContext& run,
                    const std::string& path,
                    const std::optional<FileType>& from,
                    const TextOptions& options);

}  // namespace vezuved_cli
