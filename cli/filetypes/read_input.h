// Reads any file the tool takes in, by its type: a database or text file
// through the library, GPX, KML and GeoJSON through the tool's own readers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "conversion/records.h"
#include "files/run_context.h"
#include "filetypes/tool_formats.h"
#include "values/options.h"

namespace vezuved_cli {

struct InputFile {
    std::string path;  // where the bytes are (a temporary copy for "-")
    std::string what;  // how messages name it: the path given, or "standard input"
    FileType type = FileType::Text;
};

// The sets of the file: one for a database or text file (with the
// library's records), one per waypoints/route/track for a map file (no
// records: they are made from the points when a database is written).
std::vector<LoadedPoints> ReadInput(const RunContext& run,
                                    const InputFile& input,
                                    const TextOptions& options);

// Runs work, a failure of which names the input as people gave it ("-"
// as "standard input") rather than its temporary copy.
void NamingInput(const InputFile& input, const std::function<void()>& work);

// The input for a path given on the command line: "-" is standard input,
// copied whole into a temporary file that lives as long as the run.
// from: the type "--from" named, if any; "-" needs one, and text from "-"
// needs its definition named (nothing lies beside standard input).
InputFile OpenInput(RunContext& run,
                    const std::string& path,
                    const std::optional<FileType>& from,
                    const TextOptions& options);

}  // namespace vezuved_cli
