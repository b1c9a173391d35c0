#include "commands/command_options.h"

#include "files/failure.h"
#include "filetypes/tool_formats.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

std::vector<std::string> Names(const std::vector<NamedCode>& names) {
    std::vector<std::string> out;
    for (const NamedCode& entry : names) out.emplace_back(entry.name);
    return out;
}

}  // namespace

void AddDefinitionOption(CLI::App& command, SharedOptions& options) {
    command.add_option("-d,--definition",
                       options.definition,
                       "Format definition (.cal) of the text; default: the text file's own .cal");
}

void AddKindOption(CLI::App& command, SharedOptions& options) {
    command.add_option("--kind", options.kind, "What the text holds: " + ListNames(KindNames()))
        ->check(CLI::IsMember(Names(KindNames()), CLI::ignore_case));
}

void AddLayoutOption(CLI::App& command, SharedOptions& options) {
    command.add_option("--layout", options.layout, "Text layout: " + ListNames(LayoutNames()))
        ->check(CLI::IsMember(Names(LayoutNames()), CLI::ignore_case));
}

void AddUnitFlags(CLI::App& command, SharedOptions& options) {
    CLI::Option* metres =
        command.add_flag("--metres,--meters", options.metres, "Elevations in the text are metres");
    CLI::Option* feet = command.add_flag("--feet", options.feet, "Elevations in the text are feet");
    metres->excludes(feet);
}

void AddColumnsOption(CLI::App& command, SharedOptions& options) {
    command.add_option("--columns",
                       options.columns,
                       "The text's columns: fields in column order (e.g. name,lat,lon,desc; - skips "
                       "one), or seven column numbers for lat,lon,ele,time,name,icon,desc (-1: none)");
}

void AddTextCheckOptions(CLI::App& command, SharedOptions& options) {
    command
        .add_option("--encoding",
                    options.encoding,
                    "Character set of the text: utf-8 or cp1252 (Windows-1252); default: UTF-8 when the "
                    "bytes are valid UTF-8, otherwise Windows-1252. A UTF-8 byte order mark is skipped")
        ->check(CLI::IsMember({"utf-8", "utf8", "cp1252", "windows-1252"}, CLI::ignore_case));
    command.add_flag("--strict",
                     options.strict,
                     "Fail on the first text line or GPX, KML or GeoJSON point whose latitude, longitude, "
                     "elevation or time cannot be read, or the first point a database or text output cannot "
                     "take (latitude beyond 90, "
                     "longitude beyond 180, elevation beyond 100 km), instead of reporting and skipping it");
}

void AddSegmentsOption(CLI::App& command, SharedOptions& options) {
    command.add_flag("--split-segments",
                     options.splitSegments,
                     "Each segment of a route or track as a set of its own, titled NAME-1, NAME-2, ...: a "
                     "database or text output, which has no segment breaks, then gets one file per segment "
                     "instead of the segments joined");
}

std::optional<FileType> FileTypeOption(const std::string& option, const std::string& value) {
    if (value.empty()) return std::nullopt;
    const std::optional<FileType> type = FileTypeForName(value);
    if (!type) FailUsage(option + " " + value + ": say gpx, kml, geojson, pdb or text");
    return type;
}

ConversionRules ToConversionRules(const SharedOptions& options) {
    ConversionRules rules;
    rules.strict = options.strict;
    rules.splitSegments = options.splitSegments;
    return rules;
}

void AddAutoOption(CLI::App& command, SharedOptions& options) {
    CLI::Option* option = command.add_flag(
        "--auto",
        options.autoDefinition,
        "Read a text file by its header row (lat, lon, ele_m, time, name, ...), ISO 8601 times included");
    if (CLI::Option* definition = command.get_option_no_throw("--definition")) option->excludes(definition);
}

TextOptions TextOptionsFor(const std::string& path, const SharedOptions& options) {
    TextOptions text = ToTextOptions(options);
    if (!options.autoDefinition) return text;
    if (FileTypeForPath(path) != FileType::Text) {
        FailUsage("--auto reads a text file's header row; '" + path + "' is no text file");
    }
    text.headerRow = true;
    return text;
}

TextOptions ToTextOptions(const SharedOptions& options) {
    TextOptions out;
    out.definition = options.definition;
    if (!options.kind.empty()) out.kind = CodeForName(KindNames(), options.kind);
    if (!options.layout.empty()) out.layout = CodeForName(LayoutNames(), options.layout);
    if (options.metres) out.elevationFormat = 1;
    if (options.feet) out.elevationFormat = 0;
    const std::string encoding = LoweredAscii(options.encoding);
    if (encoding == "utf-8" || encoding == "utf8") out.encoding = TextEncoding::Utf8;
    if (encoding == "cp1252" || encoding == "windows-1252") out.encoding = TextEncoding::Cp1252;
    out.strict = options.strict;
    if (!options.columns.empty()) {
        std::string error;
        out.columns = ParseColumns(options.columns, error);
        if (!out.columns) FailUsage("--columns " + options.columns + ": " + error);
    }
    return out;
}

void AddTextReadingOptions(CLI::App& command, SharedOptions& options) {
    AddDefinitionOption(command, options);
    AddKindOption(command, options);
    AddLayoutOption(command, options);
    AddUnitFlags(command, options);
    AddColumnsOption(command, options);
    AddTextCheckOptions(command, options);
    AddAutoOption(command, options);
}

}  // namespace vezuved_cli
