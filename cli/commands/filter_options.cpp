#include "commands/filter_options.h"

#include "files/failure.h"
#include "filetypes/tool_formats.h"

namespace vezuved_cli {

const char* const kFilterExamples =
    "  vezuved convert phone.gpx hike.pdb --track 2 --simplify 2\n"
    "  vezuved convert phone.gpx thin.gpx --simplify 10m --keep-near a.gpx\n"
    "  vezuved convert 'logs/*.gpx' --to pdb --out-dir db/ --fit pdb\n"
    "  vezuved convert phone.gpx day.gpx --merge --split gap=1h\n"
    "  vezuved convert phone.gpx day.pdb --merge --split day --tz +10:00\n"
    "  vezuved convert phone.gpx morning.gpx --crop time=2021-08-14T05:00Z..2021-08-14T12:00Z\n"
    "  vezuved convert phone.gpx valley.gpx --crop box=46.0,7.0,46.15,7.15\n";

void AddFilterOptions(CLI::App& command, const std::shared_ptr<FilterOptions>& options) {
    // Each is noted as it is met, so the steps run in command-line order.
    auto add = [&](const char* name, const std::string& help) {
        command
            .add_option_function<std::string>(
                std::string("--") + name,
                [options, name](const std::string& value) { options->given.emplace_back(name, value); },
                help)
            ->trigger_on_parse()
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    };
    add("simplify",
        "Thin each route and track to COUNT points (500) or to an error in metres (10m), keeping segment "
        "ends, "
        "named points and the points nearest the waypoints (Douglas-Peucker)");
    add("fit", "Simplify only a route or track of more than N points to N; 'pdb' is a database's 65535");
    add("split",
        "A new segment (a new set NAME-1, NAME-2, ... in a database or text file) where the time gap or "
        "distance between two points exceeds a limit, or at midnight: gap=10min, distance=500m or day");
    add("crop",
        "Keep only the points in a time window (time=FROM..TO, ISO 8601, either end open) or a box "
        "(box=SOUTH,WEST,NORTH,EAST); a route or track left empty is dropped");
    command
        .add_flag_function(
            "--merge",
            [options](int64_t) { options->given.emplace_back("merge", ""); },
            "The tracks of all inputs as one, ordered by time, duplicate points once, segments kept where "
            "the "
            "inputs had them")
        ->trigger_on_parse();
    command.add_option(
        "--keep-near",
        options->keepNear,
        "Waypoints of this file (GPX, KML, GeoJSON, database) whose nearest track points --simplify keeps");
    command.add_option(
        "--tz",
        options->tz,
        "The zone whose midnight --split day cuts at: Europe/Ljubljana (its daylight saving followed), "
        "+02:00, -05:00; default UTC");
}

FilterPlan ToFilterPlan(RunContext& run, const FilterOptions& options, const TextOptions& text) {
    FilterPlan plan;
    for (const auto& [name, value] : options.given) plan.steps.push_back(ParseFilterStep(name, value));
    if (!options.tz.empty()) plan.zone = ParseTimeZone(options.tz);
    for (const std::string& path : options.keepNear) {
        size_t found = 0;
        for (LoadedPoints& loaded : ReadInput(run, OpenInput(run, path, std::nullopt, text), text)) {
            if (loaded.set.kind != VEZUVED_KIND_POINT) continue;
            found += loaded.set.points.size();
            for (Point& point : loaded.set.points) plan.keepNear.push_back(std::move(point));
        }
        if (found == 0) FailUsage("--keep-near " + path + ": the file holds no waypoints");
    }
    return plan;
}

void FilterLoadedSets(const RunContext& run, std::vector<LoadedPoints>& sets, const FilterPlan& plan) {
    if (plan.empty()) return;
    std::vector<PointSet> plain;
    for (LoadedPoints& loaded : sets) {
        HoldPoints(loaded);
        plain.push_back(std::move(loaded.set));
    }
    ApplyFilters(plain, plan, run.err);
    sets.clear();
    for (PointSet& set : plain) {
        sets.emplace_back();
        sets.back().set = std::move(set);
    }
}

}  // namespace vezuved_cli
