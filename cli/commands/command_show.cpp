#include <algorithm>
#include <iostream>
#include <memory>

#include "base/ascii.h"
#include "commands/command_options.h"
#include "commands/commands.h"
#include "output/map_files.h"
#include "output/table_output.h"
#include "support/failure.h"
#include "support/options.h"

namespace vezuved_cli {
namespace {

struct ShowOptions {
    std::string file;
    std::string output = "table";
    SharedOptions shared;
};

}  // namespace

void AddShowCommand(CLI::App& app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command = app.add_subcommand("show", "List the points of a database or text file");
    command->add_option("file", options->file, "A database (.pdb) or a text file")->required();
    command->add_option("--output", options->output, "table, csv, json, geojson or gpx")
        ->check(CLI::IsMember({"table", "csv", "json", "geojson", "gpx"}, CLI::ignore_case))
        ->capture_default_str();
    AddTextReadingOptions(*command, options->shared);
    command->footer(
        "Examples:\n  vezuved show hike.pdb\n"
        "  vezuved show examples/data/summits.csv -d examples/formats/name-first.cal --output json");
    command->callback([options] {
        const TextSource source = ToTextSource(options->file, options->shared);
        LoadedPoints points = ReadPoints(source.path, source.options);
        const PointSet& set = points.set;
        const std::string format = AsciiLowered(options->output);
        std::string text;
        if (format == "csv") {
            text = WriteCsv(set);
        } else if (format == "json") {
            text = WritePointsJson(set);
        } else if (format == "geojson") {
            text = RenderMap(MapFormat::GeoJson, {set}, {});
        } else if (format == "gpx") {
            text = RenderMap(MapFormat::Gpx, {set}, {});
        } else {
            text = WriteTable(set) + std::to_string(set.points.size()) + " point(s), " + KindText(set.kind) + "\n";
        }
        std::cout << text << std::flush;
    });
}

}  // namespace vezuved_cli
