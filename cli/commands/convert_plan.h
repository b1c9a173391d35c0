// What `convert` and `import` do with the sets they read: which of them go
// out, into which files, and how each file is written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conversion/records.h"
#include "files/run_context.h"
#include "filetypes/map_files.h"
#include "filetypes/tool_formats.h"
#include "filters/filters.h"
#include "values/options.h"

namespace vezuved_cli {

struct ConvertRequest {
    std::vector<std::string> inputs;  // as given: paths, wildcards, "-"
    std::string output;               // a file, "-", or empty with outDir
    std::string outDir;
    std::optional<FileType> from;
    std::optional<FileType> to;
    std::string outputDefinition;
    std::string track;  // a name or a 1-based number
    std::string what;   // waypoints, tracks or routes
    TextOptions in;
    MapOptions map;
    bool pointsFile = false;  // a GeoJSON output's points also in <stem>-points.geojson
    FilterPlan filters;       // run on what was read, before it is written
};

void RunConvert(RunContext& run, const ConvertRequest& request);

// The tool's JSON listing of the sets, as `show --output json` prints it
// and `convert` writes a ".json" file: one set's listing, or a list of them.
std::string PointsJsonDocument(std::ostream& err, const std::vector<PointSet>& sets);

// The kind --what names: waypoints, tracks or routes, in any case; a usage
// failure for any other word, said before a file is read.
int32_t KindOfWhat(const std::string& what);

// Keeps the sets --what and --track ask for; fails when none is left.
// With --split-segments each segment of them becomes a set.
std::vector<LoadedPoints> SelectSets(const RunContext& run,
                                     std::vector<LoadedPoints> sets,
                                     const std::string& what,
                                     const std::string& track,
                                     const std::string& source);

// A set's title as a part of a file name: the letters of every script as
// UTF-8; what file systems forbid (control characters, / \ : * ? " < > |)
// and bytes that are no UTF-8 become '_'.
std::string FileSafeName(const std::string& title);

// Whether a file name names a device on Windows: CON, PRN, AUX, NUL,
// COM1-9 or LPT1-9, alone or before a dot, in any case.
bool ReservedOnWindows(const std::string& name);

}  // namespace vezuved_cli
