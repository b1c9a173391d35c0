#include "conversion/transfers.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <vector>

#include "conversion/core_text.h"
#include "conversion/text_layout.h"
#include "files/failure.h"
#include "files/output_plan.h"
#include "files/temporary_folder.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "values/point_sets.h"

namespace vezuved_cli {
namespace {

// The library's path buffers hold 1023 characters and the NUL.
constexpr size_t kPathBuffer = VEZUVED_PATH_BUFFER;

std::vector<char> PathBuffer(const std::string& path) {
    if (path.size() >= kPathBuffer) FailUsage("the path '" + path + "' is longer than 1023 characters");
    std::vector<char> buffer(kPathBuffer, '\0');
    path.copy(buffer.data(), path.size());
    return buffer;
}

std::string SeparatorEnded(const std::string& folder) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
    return folder + '/';
}

const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

const int16_t* ColumnsOrNull(const TextOptions& options) {
    return options.columns ? options.columns->data() : nullptr;
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
        const int32_t kind = ReadDatabaseHeader(database).kind;
        static const char* const kByKind[] = {".rlp", ".rlt", ".rlr", ".txt"};
        extension = kind >= 0 && kind <= 3 ? kByKind[kind] : kind == 7 ? ".xml" : "";
    }
    std::string name = TextOf(PathOf(database).filename());
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    return folder + name + extension;
}

// The database to export: the given one, or, when it holds points no text
// takes (another program's latitude of 91), a copy without them in folder,
// under the same name (the library may write it into the text). Each point
// left out is reported naming written.
std::string CheckedDatabase(const RunContext& run,
                            const std::string& database,
                            const std::string& written,
                            TemporaryFolder& folder) {
    LoadedPoints loaded = ReadDatabase(database);
    if (!LeaveOutRefusedPoints(run, written, loaded)) return database;
    folder = TemporaryFolder::Create();
    const std::string copy = folder.File(TextOf(PathOf(database).filename()));
    WriteDatabase(run, copy, loaded, loaded.set.kind);
    return copy;
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

std::string DatabaseNameFor(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    std::string name = path.substr(separator == std::string::npos ? 0 : separator + 1).substr(0, 31);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    return name;
}

void NoteDatabaseName(std::ostream& err, const std::string& path) {
    const std::string name = DatabaseNameFor(path);
    if (name == TextOf(PathOf(path).stem())) return;
    err << "vezuved: the database in '" << path << "' is named '" << name
        << "': a database name holds at most 31 characters\n";
}

std::string ImportTextFile(const RunContext& run,
                           const std::string& text,
                           const std::string& output,
                           const TextOptions& options) {
    RequireInputFile(text, "text file");
    RequireTextDescription(text, options);
    const std::string written = ImportedDatabasePath(output.empty() ? text : output);
    RequireOwnOutput({text, options.definition}, written);
    // Read once, straight from the user's file, by the core: the Garmin
    // columns and metres as written are kept, feet stay the text's own, and
    // the database inside is named by the file's first 31 characters.
    LoadedPoints points = ReadText(run.err, text, options);
    WriteDatabase(run, written, points, options.kind.value_or(static_cast<int16_t>(points.set.kind)));
    NoteDatabaseName(run.err, written);
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
    std::string definition = options.definition;
    if (definition.empty()) {
        const std::string own = DefinitionPathFor(written);
        if (std::filesystem::is_regular_file(PathOf(own), error)) definition = own;
    }
    const std::optional<TextLayout> layout =
        definition.empty() ? std::nullopt
                           : std::optional<TextLayout>(LoadWritingLayout(written, definition, options));
    std::vector<char> outputPath = PathBuffer(ExportPath(written));
    const int16_t fieldCount = options.columns ? ColumnCount(*options.columns) : -1;
    // The databases the tool writes hold feet of exactly 0.3048 m, so the
    // library's own metres (feet x 0.3048) are the ones that were read.
    TemporaryFolder checked;
    const std::string source = CheckedDatabase(run, database, written, checked);
    const std::string exportDefinition = ExportPath(definition);
    const int32_t result = RLDBExport(ExportPath(source).c_str(),
                                      outputPath.data(),
                                      OrNull(exportDefinition),
                                      options.layout.value_or(-1),
                                      options.elevationFormat.value_or(-1),
                                      fieldCount,
                                      ColumnsOrNull(options));
    if (result == -1) {
        FailConversion("cannot export '" + database + "': the database cannot be opened or the output '" +
                       written + "' cannot be created");
    }
    if (result != 0) FailConversion("cannot export '" + database + "': " + DatabaseErrorCause(result));
    return written;
}

}  // namespace vezuved_cli
