#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "commands/convert_plan.h"
#include "commands/filter_options.h"
#include "files/failure.h"
#include "filetypes/map_files.h"
#include "filetypes/tool_formats.h"
#include "output/table_output.h"
#include "values/ascii_text.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

struct ShowOptions {
    std::string file;
    std::string output = "table";
    bool compact = false;
    bool points = false;
    std::string from;
    SharedOptions shared;
    std::shared_ptr<FilterOptions> filters = std::make_shared<FilterOptions>();
};

}  // namespace

void AddShowCommand(CLI::App& app, RunContext& run) {
    auto options = std::make_shared<ShowOptions>();
    CLI::App* command =
        app.add_subcommand("show", "List the points of a database, text, GPX, KML or GeoJSON file");
    command->add_option("file", options->file, "A database (.pdb), GPX, KML, GeoJSON or text file")
        ->required();
    command->add_option("--output", options->output, "table, csv, json, geojson, gpx, kml, svg or html")
        ->check(
            CLI::IsMember({"table", "csv", "json", "geojson", "gpx", "kml", "svg", "html"}, CLI::ignore_case))
        ->capture_default_str();
    command->add_flag("--compact", options->compact, "GeoJSON on one line, without indentation");
    command->add_flag("--points",
                      options->points,
                      "GeoJSON, KML, pictures: a route's or track's points as points instead of its line");
    command->add_option("--from", options->from, "What standard input ('-') holds: " + FileTypeNames());
    AddTextReadingOptions(*command, options->shared);
    AddFilterOptions(*command, options->filters);
    command->footer(
        "Examples:\n  vezuved show hike.pdb\n"
        "  vezuved show examples/data/summits.csv -d examples/formats/name-first.cal --output json\n"
        "  vezuved show hike.pdb --output svg > hike.svg\n"
        "  vezuved show phone.gpx --simplify 2 --output html > preview.html\n"
        "The filters run as convert runs them (see vezuved convert --help); the HTML page shows the "
        "figures of each set (vezuved stats) above its map.");
    command->callback([options, &run] {
        const TextOptions read = TextOptionsFor(options->file, options->shared);
        const FilterPlan plan = ToFilterPlan(run, *options->filters, read);
        const std::string format = LoweredAscii(options->output);
        const std::optional<MapFormat> mapFormat = MapFormatForPath("." + format);
        // A document of sets the filters leave as they are is written as they were read.
        std::vector<LoadedPoints> loaded =
            ReadInput(run,
                      OpenInput(run, options->file, FileTypeOption("--from", options->from), read),
                      read,
                      !mapFormat || !plan.empty());
        FilterLoadedSets(run, loaded, plan);
        if (mapFormat) {
            MapOptions map;
            map.compact = options->compact;
            map.asPoints = options->points;
            SaveDocument(run.err, "-", *mapFormat, loaded, map);
            return;
        }
        std::vector<PointSet> sets;
        for (LoadedPoints& set : loaded) sets.push_back(std::move(set.set));  // a large track is not copied
        std::string text;
        if (format == "json") {
            text = PointsJsonDocument(run.err, sets);
        } else {
            for (size_t i = 0; i < sets.size(); ++i) {
                const PointSet& set = sets[i];
                if (format == "csv") {
                    text += (i ? "\n" : "") + WriteCsv(run.err, set);
                    continue;
                }
                if (sets.size() > 1) text += (i ? "\n" : "") + KindText(set.kind) + " '" + set.title + "'\n";
                text += WriteTable(run.err, set) + std::to_string(set.points.size()) + " point(s), " +
                        KindText(set.kind) + "\n";
            }
        }
        run.out << text << std::flush;
    });
}

}  // namespace vezuved_cli
