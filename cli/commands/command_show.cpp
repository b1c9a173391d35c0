#include <algorithm>
#include <iostream>
#include <memory>

#include "base/ascii.h"
#include "commands/command_options.h"
#include "commands/commands.h"
#include "input/read_input.h"
#include "output/map_files.h"
#include "output/table_output.h"
#include "support/failure.h"
#include "support/options.h"

namespace vezuved_cli {
namespace {

struct ShowOptions {
    std::string file;
    std::string output = "table";
    std::string from;
    SharedOptions shared;
};

std::optional<FileType> FromOption(const std::string& from) {
    if (from.empty()) return std::nullopt;
    const std::optional<FileType> type = FileTypeForName(from);
    if (!type) FailUsage("--from " + from + ": say gpx, kml, geojson, pdb or text");
    return type;
}

}  // namespace

void AddShowCommand(CLI::App& app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command = app.add_subcommand("show", "List the points of a database, text, GPX, KML or GeoJSON file");
    command->add_option("file", options->file, "A database (.pdb), GPX, KML, GeoJSON or text file")->required();
    command->add_option("--output", options->output, "table, csv, json, geojson or gpx")
        ->check(CLI::IsMember({"table", "csv", "json", "geojson", "gpx"}, CLI::ignore_case))
        ->capture_default_str();
    command->add_option("--from", options->from, "What standard input ('-') holds: gpx, kml, geojson, pdb or text");
    AddTextReadingOptions(*command, options->shared);
    command->footer(
        "Examples:\n  vezuved show hike.pdb\n"
        "  vezuved show examples/data/summits.csv -d examples/formats/name-first.cal --output json");
    command->callback([options] {
        std::vector<PointSet> sets;
        const TextOptions textOptions = ToTextOptions(options->shared);
        for (LoadedPoints& loaded : ReadInput(OpenInput(options->file, FromOption(options->from), textOptions), textOptions)) {
            sets.push_back(std::move(loaded.set));
        }
        const std::string format = AsciiLowered(options->output);
        std::string text;
        if (format == "geojson") {
            text = RenderMap(MapFormat::GeoJson, sets, {});
        } else if (format == "gpx") {
            text = RenderMap(MapFormat::Gpx, sets, {});
        } else if (format == "json") {
            // One document: a file of several sets gives their listings in a list.
            if (sets.size() == 1) {
                text = WritePointsJson(sets.front());
            } else {
                text = "[\n";
                for (size_t i = 0; i < sets.size(); ++i) text += (i ? ",\n" : "") + WritePointsJson(sets[i]);
                text += "]\n";
            }
        } else {
            for (size_t i = 0; i < sets.size(); ++i) {
                const PointSet& set = sets[i];
                if (format == "csv") {
                    text += (i ? "\n" : "") + WriteCsv(set);
                    continue;
                }
                if (sets.size() > 1) text += (i ? "\n" : "") + KindText(set.kind) + " '" + set.title + "'\n";
                text += WriteTable(set) + std::to_string(set.points.size()) + " point(s), " + KindText(set.kind) + "\n";
            }
        }
        std::cout << text << std::flush;
    });
}

}  // namespace vezuved_cli
