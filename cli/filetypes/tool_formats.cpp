#include "filetypes/tool_formats.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/temporary_folder.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

// A database or text file is one set; a copy of standard input is titled so.
std::vector<LoadedPoints> NamedAsGiven(std::vector<LoadedPoints> sets, const InputFile& input) {
    if (input.what != input.path && sets.size() == 1) sets.front().set.title = "standard input";
    return sets;
}

template <int32_t kFormat>
std::vector<LoadedPoints> ReadByCore(std::ostream& err,
                                     const std::string& path,
                                     const std::string& what,
                                     const TextOptions& options,
                                     bool hold) {
    return ReadThroughCore(err, path, what, kFormat, options.strict, hold);
}

std::vector<LoadedPoints> ReadTextFile(
    std::ostream& err, const std::string& path, const std::string&, const TextOptions& options, bool hold) {
    std::vector<LoadedPoints> sets;
    sets.push_back(ReadTextPoints(err, path, options, hold));
    return sets;
}

const std::vector<ToolFormat> kFormats = {
    {FileType::Gpx,
     MapFormat::Gpx,
     "GPX",
     {"gpx"},
     {"gpx"},
     {},
     {},
     ReadByCore<VEZUVED_FORMAT_GPX>,
     "waypoints, routes and tracks (a route has no segments)",
     VEZUVED_FORMAT_GPX},
    {FileType::Kml,
     MapFormat::Kml,
     "KML",
     {"kml"},
     {"kml"},
     {},
     {"kmz"},
     ReadByCore<VEZUVED_FORMAT_KML>,
     "placemarks, routes and tracks",
     VEZUVED_FORMAT_KML},
    {FileType::GeoJson,
     MapFormat::GeoJson,
     "GeoJSON",
     {"geojson", "json"},
     {"geojson"},
     {"json"},
     {},
     ReadByCore<VEZUVED_FORMAT_GEOJSON>,
     "points and lines with their properties",
     VEZUVED_FORMAT_GEOJSON},
    {FileType::Database,
     std::nullopt,
     "database",
     {"pdb"},
     {"pdb"},
     {},
     {},
     ReadByCore<VEZUVED_FORMAT_PDB>,
     "one set of points, a route or a track, at most 65535 records"},
    {FileType::Text,
     std::nullopt,
     "text",
     {"text"},
     {"txt"},
     {},
     {},
     ReadTextFile,
     "one set, in the columns its format definition names"},
    {std::nullopt,
     MapFormat::Svg,
     "SVG picture",
     {},
     {"svg"},
     {},
     {},
     nullptr,
     "a drawing of the sets",
     VEZUVED_FORMAT_SVG},
    {std::nullopt,
     MapFormat::Html,
     "HTML page",
     {},
     {"html", "htm"},
     {},
     {},
     nullptr,
     "a drawing of the sets in a page",
     VEZUVED_FORMAT_HTML},
};

// The extension of path, lower case; empty when its last name has none.
std::string ExtensionOfPath(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "";
    return LoweredAscii(std::string(path.substr(dot + 1)));
}

bool Holds(const std::vector<std::string>& list, const std::string& value) {
    return !value.empty() && std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

const ToolFormat& FormatOf(FileType type) {
    for (const ToolFormat& format : kFormats) {
        if (format.type == type) return format;
    }
    return kFormats.back();  // unreachable: every type has its row
}

const ToolFormat& FormatOf(MapFormat document) {
    for (const ToolFormat& format : kFormats) {
        if (format.document == document) return format;
    }
    return kFormats.back();  // unreachable: every document has its row
}

std::optional<FileType> FileTypeForName(const std::string& name) {
    const std::string lowered = LoweredAscii(name);
    for (const ToolFormat& format : kFormats) {
        if (format.type && Holds(format.names, lowered)) return format.type;
    }
    return std::nullopt;
}

std::string FileTypeNames() {
    std::vector<std::string> names;
    for (const ToolFormat& format : kFormats) {
        if (format.type) names.push_back(format.names.front());
    }
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    }
    return text;
}

FileType FileTypeForPath(std::string_view path) {
    const std::string extension = ExtensionOfPath(path);
    for (const ToolFormat& format : kFormats) {
        if (format.type && (Holds(format.extensions, extension) || Holds(format.alsoRead, extension))) {
            return *format.type;
        }
    }
    return FileType::Text;
}

FileType InputTypeForPath(std::string_view path) {
    const std::string extension = ExtensionOfPath(path);
    for (const ToolFormat& format : kFormats) {
        if (format.type && Holds(format.zipped, extension)) return *format.type;
    }
    return FileTypeForPath(path);
}

std::optional<MapFormat> MapFormatForPath(std::string_view path) {
    const std::string extension = ExtensionOfPath(path);
    for (const ToolFormat& format : kFormats) {
        if (format.document && Holds(format.extensions, extension)) return format.document;
    }
    return std::nullopt;
}

OutputFormat OutputFormatFor(const std::optional<FileType>& to,
                             const std::string& output,
                             const std::string& definition) {
    OutputFormat format;
    if (to && IsMap(*to)) {
        format.map = FormatOf(*to).document;
        format.type = FileType::Gpx;
        return format;
    }
    if (!to && output == "-") FailUsage("writing to standard output ('-') needs --to " + FileTypeNames());
    // A name that begins with its only dot (".json") has no extension.
    const std::string name = TextOf(PathOf(output).filename());
    const std::string extension = name.rfind('.') == 0 ? "" : ExtensionOfPath(name);
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

bool IsMap(FileType type) {
    const ToolFormat& format = FormatOf(type);
    return format.document.has_value() && format.reader != nullptr;
}

std::string SavedExtension(FileType type) { return "." + FormatOf(type).extensions.front(); }

namespace {

// A copy of standard input in the run's folder for it, removed when the run ends.
std::string CopyStandardInput(RunContext& run, FileType type) {
    if (!run.standardInput.path().empty()) FailUsage("standard input ('-') can be read only once");
    if (!StandardInputIsOpen()) FailConversion("cannot read standard input: it is closed");
    UseBinaryStandardStreams();
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
        return {CopyStandardInput(run, *from), "standard input", *from};
    }
    // A KMZ is zipped KML: the KML reader opens it. (It is read only: the
    // tool writes plain KML.)
    return {path, path, from.value_or(InputTypeForPath(path))};
}

void NamingInput(const InputFile& input, const std::function<void()>& work) {
    if (input.what == input.path) {
        work();
        return;
    }
    try {
        work();
    } catch (const Failure& failure) {
        // The library's readers name the temporary copy; people gave "-".
        std::string message = failure.what();
        for (size_t at = message.find(input.path); at != std::string::npos;
             at = message.find(input.path, at)) {
            message.replace(at, input.path.size(), input.what);
        }
        throw Failure(failure.status(), message);
    }
}

std::vector<LoadedPoints> ReadInput(const RunContext& run,
                                    const InputFile& input,
                                    const TextOptions& options,
                                    bool hold) {
    std::vector<LoadedPoints> loaded;
    NamingInput(
        input, [&] { loaded = FormatOf(input.type).reader(run.err, input.path, input.what, options, hold); });
    if (IsMap(input.type)) return loaded;
    return NamedAsGiven(std::move(loaded), input);
}

}  // namespace vezuved_cli
