#include "filetypes/tool_formats.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/temporary_folder.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

// The extension of path with its dot, lower case; empty when its last
// name has none.
std::string ExtensionOfPath(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "";
    return LoweredAscii(std::string(path.substr(dot)));
}

// Whether a list of the registry's, a space between, holds word.
bool ListHolds(const char* list, const std::string& word) {
    std::istringstream words(list);
    for (std::string listed; !word.empty() && words >> listed;) {
        if (listed == word) return true;
    }
    return false;
}

std::string FirstWord(const char* list) {
    std::string word;
    std::istringstream(list) >> word;
    return word;
}

// The core's entries, in its order.
const std::vector<vezuved_format_info>& Registry() {
    static const std::vector<vezuved_format_info> formats = [] {
        std::vector<vezuved_format_info> listed;
        vezuved_format_info info{};
        for (int32_t i = 0; vezuved_get_format(i, &info) == VEZUVED_OK; ++i) listed.push_back(info);
        return listed;
    }();
    return formats;
}

bool Reads(const vezuved_format_info& format) { return (format.flags & VEZUVED_FORMAT_READS) != 0; }

// The format the extension of path names (read: of a file read, so the
// extensions read only count too, and a gzipped file is what it holds,
// track.fit.gz FIT); 0 for none.
int32_t FormatOfPath(std::string_view path, bool read) {
    return vezuved_format_of_name(std::string(path).c_str(), read ? VEZUVED_FORMAT_READS : 0);
}

FileType TypeOf(int32_t format) {
    const bool known = (format >= VEZUVED_FORMAT_GPX && format <= VEZUVED_FORMAT_TEXT) ||
                       (format >= VEZUVED_FORMAT_IGC && format <= VEZUVED_FORMAT_ARCHIVE);
    return known ? static_cast<FileType>(format) : FileType::Text;
}

}  // namespace

std::optional<FileType> FileTypeForName(const std::string& name) {
    const std::string lowered = LoweredAscii(name);
    for (const vezuved_format_info& format : Registry()) {
        if (Reads(format) && ListHolds(format.keywords, lowered)) return static_cast<FileType>(format.format);
    }
    return std::nullopt;
}

std::string FileTypeNames(bool written) {
    std::vector<std::string> names;
    for (const vezuved_format_info& format : Registry()) {
        if (Reads(format) && (!written || (format.flags & VEZUVED_FORMAT_WRITES) != 0))
            names.push_back(FirstWord(format.keywords));
    }
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text;
}

FileType FileTypeForPath(std::string_view path) { return TypeOf(FormatOfPath(path, false)); }

FileType InputTypeForPath(std::string_view path) { return TypeOf(FormatOfPath(path, true)); }

std::optional<MapFormat> MapFormatForPath(std::string_view path) {
    const int32_t format = FormatOfPath(path, false);
    // A ".json" output is the run's JSON listing; a database and text are
    // written set by set.
    if (format == 0 || format == VEZUVED_FORMAT_PDB || ExtensionOfPath(path) == ".json") return std::nullopt;
    return static_cast<MapFormat>(format);
}

OutputFormat OutputFormatFor(const std::optional<FileType>& to,
                             const std::string& output,
                             const std::string& definition) {
    OutputFormat format;
    if (to && IsMap(*to)) {
        format.map = static_cast<MapFormat>(*to);
        format.type = FileType::Gpx;
        return format;
    }
    if (!to && output == "-") FailUsage("writing to standard output ('-') needs --to " + FileTypeNames(true));
    // A name that begins with its only dot (".json") has no extension.
    const std::string name = TextOf(PathOf(output).filename());
    const std::string dotted = name.rfind('.') == 0 ? "" : ExtensionOfPath(name);
    const std::string extension = dotted.empty() ? "" : dotted.substr(1);
    if (!to) {
        format.map = MapFormatForPath(name);
        format.json = extension == "json";
        if (format.map || format.json) {
            format.type = FileType::Gpx;
            return format;
        }
    }
    format.type = to ? *to : FileTypeForPath(name);
    // Text needs to be told how it is laid out, or have an extension that
    // plainly names text.
    const bool plainText = !to && (extension == "csv" || extension == "txt" || extension == "tsv");
    if (format.type != FileType::Text || plainText || !definition.empty()) return format;
    std::error_code error;
    if (output != "-" && std::filesystem::is_regular_file(PathOf(DefinitionPathFor(output)), error))
        return format;
    if (to) FailUsage("--to text needs --output-definition to say how the text is laid out");
    FailUsage("cannot tell what to write as '" + output + "': " +
              (extension.empty() ? std::string("it has no extension")
                                 : "'." + extension + "' is no known extension") +
              "; use .pdb, .gpx, .kml, .geojson, .json, .csv or .txt, or name a definition with "
              "--output-definition");
}

bool IsMap(FileType type) { return type != FileType::Text && type != FileType::Database; }

std::string SavedExtension(FileType type) {
    if (type == FileType::Text) return ".txt";
    for (const vezuved_format_info& format : Registry()) {
        if (format.format == static_cast<int32_t>(type)) return FirstWord(format.extensions);
    }
    return ".txt";  // unreachable: every type is the core's
}

namespace {

// A copy of standard input in the run's folder for it, removed when the run ends.
std::string CopyStandardInput(RunContext& run, FileType type) {
    if (!run.standardInput.path().empty()) FailUsage("standard input ('-') can be read only once");
    if (vezuved_system_input_is_open() != 1) FailConversion("cannot read standard input: it is closed");
    vezuved_system_binary_streams();
    run.standardInput = TemporaryFolder::Create();
    // Named by its kind, as a file of that kind would be.
    const std::string copy = run.standardInput.File("standard-input" + SavedExtension(type));
    // Written whole or not at all, as every file the tool writes.
    WriteFileOrFail(copy, [](FileSink& sink) {
        char buffer[64 * 1024];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
            sink.Write(std::string_view(buffer, got));
        if (std::ferror(stdin) != 0) FailConversion("cannot read standard input: reading it failed");
    });
    return copy;
}

}  // namespace

InputFile OpenInput(RunContext& run,
                    const std::string& path,
                    const std::optional<FileType>& from,
                    const TextOptions& options) {
    if (path == "-") {
        if (!from) FailUsage("reading standard input ('-') needs --from " + FileTypeNames());
        if (*from == FileType::Text && options.definition.empty()) {
            FailUsage("reading text from standard input needs its definition (-d FILE.cal)");
        }
    }
    // A KMZ is zipped KML: the KML reader opens it. (It is read only: the
    // tool writes plain KML.)
    const InputFile input = path == "-" ? InputFile{CopyStandardInput(run, *from), "standard input", *from}
                                        : InputFile{path, path, from.value_or(InputTypeForPath(path))};
    RequireInput(input, options);
    return input;
}

void RequireInput(const InputFile& input, const TextOptions& options) {
    const FileType type = input.type;
    const std::string& path = input.path;
    const std::string own = DefinitionPathFor(path);
    const bool described = IsRecordLineFile(path) || options.columns || options.layout || options.headerRow;
    RequireInputFile(path,
                     type == FileType::Database  ? "database"
                     : type == FileType::Text    ? "text file"
                     : type == FileType::Gpx     ? "GPX file"
                     : type == FileType::GeoJson ? "GeoJSON file"
                     : type == FileType::Igc     ? "IGC file"
                     : type == FileType::Nmea    ? "NMEA file"
                     : type == FileType::Tcx     ? "TCX file"
                     : type == FileType::Fit     ? "FIT file"
                     : type == FileType::Archive ? "zip archive"
                                                 : "KML or KMZ file");
    if (type != FileType::Text) return;
    // A text's columns are told by a definition, named or its own, by a
    // record-line extension, by the command line or by its header row.
    const bool given = !options.definition.empty();
    if (given) RequireInputFile(options.definition, "format definition");
    std::error_code error;
    if (given || std::filesystem::is_regular_file(PathOf(own), error)) {
        RequireDefinitionPath(given ? options.definition : own);
        return;
    }
    if (described) return;
    FailUsage("cannot read '" + path + "': nothing says what its columns hold (no -d, no '" + own +
              "', no known extension); give a format definition with -d FILE.cal, or --auto when its "
              "first line names the columns");
}

std::vector<LoadedPoints> ReadInput(const RunContext& run,
                                    const InputFile& input,
                                    const TextOptions& options,
                                    bool hold) {
    if (input.type == FileType::Text) return {ReadTextPoints(run.err, input.path, input.what, options, hold)};
    return ReadThroughCore(
        run.err, input.path, input.what, static_cast<int32_t>(input.type), options.strict, hold);
}

}  // namespace vezuved_cli
