// The names the tool accepts on its command line and the library codes
// they stand for.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <vezuved/vezuved_core.h>

namespace vezuved_cli {

struct NamedCode {
    const char* name;
    int16_t code;
};

// --kind: points 0, track 1, route 2, track-old 65, route-old 66, datum 6.
const std::vector<NamedCode>& KindNames();
// --layout: comma 1, tab 2, garmin 3, fixed 5, pcx5 6.
const std::vector<NamedCode>& LayoutNames();

std::optional<int16_t> CodeForName(const std::vector<NamedCode>& names, std::string_view name);
// "a, b or c", for help and error texts.
std::string ListNames(const std::vector<NamedCode>& names);

// How people read a kind or layout code the library reports.
std::string KindText(int32_t kind);
std::string LayoutText(int32_t source);

// The column map the library takes: the columns of latitude, longitude,
// elevation, time, name, icon and description, -1 for none.
using ColumnMap = std::array<int16_t, 7>;

// --columns accepts either seven column numbers in that order
// ("1,2,-1,-1,0,-1,3") or the fields in the order of the text's columns
// ("name,lat,lon,desc"; "-" skips a column). Returns nullopt and sets
// error when the text is neither.
std::optional<ColumnMap> ParseColumns(std::string_view text, std::string& error);

// The kinds of file the tool reads and writes, by the core's format codes
// (vezuved_get_format describes each).
enum class FileType : int32_t {
    Gpx = VEZUVED_FORMAT_GPX,
    Kml = VEZUVED_FORMAT_KML,
    GeoJson = VEZUVED_FORMAT_GEOJSON,
    Database = VEZUVED_FORMAT_PDB,
    Text = VEZUVED_FORMAT_TEXT,
    Igc = VEZUVED_FORMAT_IGC,         // read only
    Nmea = VEZUVED_FORMAT_NMEA,       // read only
    Tcx = VEZUVED_FORMAT_TCX,         // read only
    Fit = VEZUVED_FORMAT_FIT,         // read only
    Archive = VEZUVED_FORMAT_ARCHIVE  // read only: a zip of track files
};

// Whether path is the handheld's record lines by its extension (.rlp,
// .rlt, .rlr, any case), which need no definition.
bool IsRecordLineFile(std::string_view path);

// The path a format definition loader would read for a data file: its
// extension replaced by ".cal" (appended when there is none).
std::string DefinitionPathFor(std::string_view path);

}  // namespace vezuved_cli
