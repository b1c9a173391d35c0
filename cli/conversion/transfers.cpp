#include "conversion/transfers.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/output_plan.h"
#include "files/tool_paths.h"

namespace vezuved_cli {
namespace {

std::string SeparatorEnded(const std::string& folder) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
    return folder + '/';
}

// The file the library writes into a folder: the database's name with the
// definition's extension, or the extension of the database's kind.
std::string ExportedNameInFolder(const std::string& database,
                                 const std::string& folder,
                                 const TextOptions& options) {
    std::string extension;
    if (!options.definition.empty()) {
        if (const auto summary = SummarizeDefinition(options.definition)) extension = summary->extension;
    }
    if (extension.empty()) {
        const int32_t kind = ReadDatabaseFacts(database).kind;
        static const char* const kByKind[] = {".rlp", ".rlt", ".rlr", ".txt"};
        extension = kind >= 0 && kind <= 3 ? kByKind[kind] : kind == 7 ? ".xml" : "";
    }
    std::string name = TextOf(PathOf(database).filename());
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    return folder + name + extension;
}

// The one output of an import or export: never a file it reads, however spelt.
void RequireOwnOutput(const std::vector<std::string>& inputs, const std::string& output) {
    OutputPlan plan;
    for (const std::string& input : inputs) plan.AddInput(input);
    plan.Keep(output, true);
}

}  // namespace

std::string ImportedDatabasePath(const std::string& output) {
    const size_t separator = output.find_last_of("/\\");
    const std::string folder = separator == std::string::npos ? "" : output.substr(0, separator + 1);
    std::string name = output.substr(folder.size());
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
    return folder + name + ".pdb";
}

std::string ImportTextFile(const RunContext& run,
                           const std::string& text,
                           const std::string& output,
                           const TextOptions& options) {
    const std::string written = ImportedDatabasePath(output.empty() ? text : output);
    RequireOwnOutput({text, options.definition}, written);
    // Read once, straight from the user's file, by the core: the Garmin
    // columns and metres as written are kept, feet stay the text's own, and
    // the database inside is named by the file's first 31 characters (the
    // core says when that cuts the name).
    LoadedPoints points = ReadTextPoints(run.err, text, text, options, false);
    WriteDatabase(run, written, points, options.kind.value_or(static_cast<int16_t>(points.set.kind)));
    return written;
}

std::string ExportDatabase(const RunContext& run,
                           const std::string& database,
                           const std::string& output,
                           const TextOptions& options) {
    RequireInputFile(database, "database");
    std::error_code error;
    std::string target = output;
    // The library takes a folder when the path ends in a separator.
    if (!target.empty() && std::filesystem::is_directory(PathOf(target), error) &&
        target.find_last_of("/\\") != target.size() - 1) {
        target += '/';
    }
    const std::string folder = target.empty() ? TextOf(PathOf(database).parent_path()) : target;
    const bool inFolder = target.empty() || target.back() == '/' || target.back() == '\\';
    const std::string written =
        inFolder ? ExportedNameInFolder(database, SeparatorEnded(folder), options) : target;
    RequireOwnOutput({database, options.definition}, written);
    LoadedPoints points = std::move(
        ReadThroughCore(run.err, database, database, VEZUVED_FORMAT_PDB, run.rules.strict, false).front());
    WriteText(run, written, points, options);
    return written;
}

}  // namespace vezuved_cli
