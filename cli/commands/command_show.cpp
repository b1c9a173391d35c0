#include <algorithm>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

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
    bool compact = false;
    bool points = false;
    SharedOptions shared;
};

}  // namespace

void AddShowCommand(CLI::App& app) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command = app.add_subcommand("show", "List the points of a database or text file");
    command->add_option("file", options->file, "A database (.pdb) or a text file")->required();
    command->add_option("--output", options->output, "table, csv, json, geojson, gpx, kml, svg or html")
        ->check(CLI::IsMember({"table", "csv", "json", "geojson", "gpx", "kml", "svg", "html"}, CLI::ignore_case))
        ->capture_default_str();
    command->add_flag("--compact", options->compact, "GeoJSON on one line, without indentation");
    command->add_flag("--points", options->points,
                      "GeoJSON, KML, pictures: a route's or track's points as points instead of its line");
    AddTextReadingOptions(*command, options->shared);
    command->footer(
        "Examples:\n  vezuved show hike.pdb\n"
        "  vezuved show examples/data/summits.csv -d examples/formats/name-first.cal --output json\n"
        "  vezuved show hike.pdb --output svg > hike.svg");
    command->callback([options] {
        const TextSource source = ToTextSource(options->file, options->shared);
        LoadedPoints points = ReadPoints(source.path, source.options);
        PointSet& set = points.set;
        const std::string format = AsciiLowered(options->output);
        MapOptions map;
        map.compact = options->compact;
        // The map documents are named as their files' extensions are.
        if (const auto mapFormat = MapFormatForPath("." + format)) {
            if (options->points) set.kind = VEZUVED_KIND_POINT;
            std::vector<PointSet> sets(1);
            sets[0] = std::move(set);  // a large track is not copied
            SaveMap("-", *mapFormat, sets, map);
            return;
        }
        std::string text;
        if (format == "csv") {
            text = WriteCsv(set);
        } else if (format == "json") {
            text = WritePointsJson(set);
        } else {
            text = WriteTable(set) + std::to_string(set.points.size()) + " point(s), " + KindText(set.kind) + "\n";
        }
        std::cout << text << std::flush;
    });
}

}  // namespace vezuved_cli
