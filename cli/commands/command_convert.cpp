#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "output/map_files.h"
#include "support/failure.h"
#include "support/options.h"
#include "support/transfers.h"

namespace vezuved_cli {
namespace {

struct ConvertOptions {
    std::string input;
    std::string output;
    std::string outputDefinition;
    bool compact = false;
    bool points = false;
    SharedOptions shared;
};

void Convert(const ConvertOptions& options) {
    const TextSource source = ToTextSource(options.input, options.shared);
    const TextOptions& in = source.options;
    const FileType from = FileTypeForPath(options.input);
    const FileType to = FileTypeForPath(options.output);
    if (from == FileType::Gpx || from == FileType::GeoJson) {
        FailUsage("cannot convert '" + options.input + "': GPX and GeoJSON are written, not read");
    }
    RequireDistinctOutput(options.input, options.output);
    TextOptions out;
    out.definition = options.outputDefinition;
    std::string written = options.output;
    if (const auto map = MapFormatForPath(options.output)) {
        MapOptions mapOptions;
        mapOptions.compact = options.compact;
        if (options.points && (*map != MapFormat::GeoJson || options.output == "-")) {
            FailUsage("--points writes a second GeoJSON file beside a .geojson output, not '" + options.output + "'");
        }
        if (options.points) {
            mapOptions.pointsFile = PointsFilePath(options.output);
            RequireDistinctOutput(options.input, mapOptions.pointsFile);
        }
        LoadedPoints points = ReadPoints(source.path, in);
        std::vector<PointSet> sets(1);
        sets[0] = std::move(points.set);  // a large track is not copied
        SaveMap(options.output, *map, sets, mapOptions);
    } else if (to == FileType::Database && from == FileType::Text) {
        written = ImportTextFile(source.path, options.output, in);
    } else if (to == FileType::Database) {
        LoadedPoints points = ReadDatabase(options.input);
        WriteDatabase(options.output, points, in.kind.value_or(static_cast<int16_t>(points.set.kind)));
    } else if (from == FileType::Database) {
        written = ExportDatabase(options.input, options.output, out);
    } else {
        LoadedPoints points = ReadText(source.path, in);
        WriteText(options.output, points, out);
    }
    std::cout << "Wrote " << written << "\n";
}

}  // namespace

void AddConvertCommand(CLI::App& app) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command = app.add_subcommand(
        "convert", "Convert by the two extensions: .pdb, .gpx, .geojson, .kml, .svg, .html, or any other text layout");
    command->add_option("input", options->input, "A database (.pdb) or a text file")->required();
    command->add_option("output", options->output,
                        "A database (.pdb), GPX (.gpx), GeoJSON (.geojson), KML (.kml), a picture (.svg, "
                        ".html) or a text file")
        ->required();
    AddDefinitionOption(*command, options->shared);
    command->add_option("--output-definition", options->outputDefinition,
                        "Format definition (.cal) of a text output; default: the output file's own .cal");
    AddKindOption(*command, options->shared);
    AddTextCheckOptions(*command, options->shared);
    AddAutoOption(*command, options->shared);
    command->add_flag("--compact", options->compact, "GeoJSON on one line, without indentation");
    command->add_flag("--points", options->points,
                      "GeoJSON: also write every point to <name>-points.geojson beside the output");
    command->footer(
        "Examples:\n  vezuved convert hike.pdb hike.gpx\n"
        "  vezuved convert examples/data/summits.csv summits.geojson -d examples/formats/name-first.cal");
    command->callback([options] { Convert(*options); });
}

}  // namespace vezuved_cli
