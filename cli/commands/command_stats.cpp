#include <memory>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "commands/convert_plan.h"
#include "commands/filter_options.h"
#include "files/failure.h"
#include "filetypes/tool_formats.h"
#include "filters/geodesy.h"
#include "filters/track_stats.h"
#include "input/input_paths.h"
#include "output/stats_output.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

struct StatsCommandOptions {
    std::vector<std::string> files;
    std::string output = "text";
    std::string from;
    std::string what, track;  // as convert chooses sets
    StatsOptions figures;
    SharedOptions shared;
    std::shared_ptr<FilterOptions> filters = std::make_shared<FilterOptions>();
};

void RunStats(RunContext& run, const StatsCommandOptions& options) {
    // The command line's mistakes first, whatever this build can measure.
    if (!(options.figures.climbThresholdMetres >= 0)) FailUsage("--climb-threshold must be 0 or more metres");
    if (!(options.figures.movingKmPerHour >= 0)) FailUsage("--moving-speed must be 0 or more km/h");
    if (!options.what.empty()) KindOfWhat(options.what);
    RequireEllipsoidDistances("vezuved stats");
    const std::optional<FileType> from = FileTypeOption("--from", options.from);
    const TextOptions text = ToTextOptions(options.shared);
    const FilterPlan plan = ToFilterPlan(run, *options.filters, text);
    // The sets of every file together, so --merge joins the tracks of all of them.
    std::vector<PointSet> sets;
    for (const std::string& path : EachFileOnce(ExpandInputPaths(options.files), run.err)) {
        const TextOptions read = TextOptionsFor(path, options.shared);
        const InputFile input = OpenInput(run, path, from, read);
        for (LoadedPoints& loaded :
             SelectSets(run, ReadInput(run, input, read), options.what, options.track, input.what)) {
            sets.push_back(std::move(loaded.set));
        }
    }
    ApplyFilters(sets, plan, run.err);
    std::vector<TrackStats> stats;
    for (const PointSet& set : sets) stats.push_back(ComputeStats(set, options.figures));
    run.out << (LoweredAscii(options.output) == "json" ? StatsJson(stats) : StatsText(stats)) << std::flush;
}

}  // namespace

void AddStatsCommand(CLI::App& app, RunContext& run) {
    auto options = std::make_shared<StatsCommandOptions>();
    CLI::App* command = app.add_subcommand(
        "stats",
        "The figures of each route and track (points, segments, distance, climb, times, speeds, box) "
        "and of each set of waypoints (count, box)");
    command
        ->add_option(
            "files", options->files, "Databases, GPX, KML, GeoJSON or text files; 'logs/*.gpx' is expanded")
        ->required();
    command->add_option("--output", options->output, "text or json")
        ->check(CLI::IsMember({"text", "json"}, CLI::ignore_case))
        ->capture_default_str();
    command
        ->add_option(
            "--climb-threshold",
            options->figures.climbThresholdMetres,
            "Metres the smoothed elevation must move from the last level counted to add to ascent or "
            "descent; "
            "smaller changes are noise")
        ->capture_default_str();
    command
        ->add_option("--moving-speed",
                     options->figures.movingKmPerHour,
                     "km/h above which the time between two points counts as moving")
        ->capture_default_str();
    command->add_option(
        "--track", options->track, "Only the route or track of this name or number (1-based), in each file");
    command->add_option("--what", options->what, "Only the waypoints, tracks or routes");
    command->add_option("--from", options->from, "What standard input ('-') holds: " + FileTypeNames());
    AddTextReadingOptions(*command, options->shared);
    AddFilterOptions(*command, options->filters);
    command->footer(
        "Distances are measured on the WGS-84 ellipsoid along each segment (not across the gaps between "
        "segments); the 3-D distance adds each step's change of elevation. Ascent and descent are counted "
        "over the "
        "smoothed elevation (each point's the mean of the 5 around it in its segment), a change once it "
        "reaches --climb-threshold (default 2 m) from the last level counted, so GPS and barometer noise "
        "adds nothing. Moving time is the time between points when the speed between "
        "them is above --moving-speed (default 0.5 km/h); the average speed is the distance of those moving "
        "steps over their time, a GPS jump (a step more than five times as fast as the 15 around it) left "
        "out "
        "of both. The maximum speed is the highest held over 15 moving steps (their median), never below the "
        "average. The filters (--simplify, --crop, "
        "...) run first, as in convert.\n\n"
        "Examples:\n  vezuved stats phone.gpx\n"
        "  vezuved stats 'logs/*.gpx' --output json\n"
        "  vezuved stats phone.gpx --climb-threshold 5 --moving-speed 1\n"
        "  vezuved stats phone.gpx --crop time=2021-08-14T12:00Z..\n"
        "  vezuved stats phone.gpx --track 2");
    command->callback([options, &run] { RunStats(run, *options); });
}

}  // namespace vezuved_cli
