#include <memory>
#include <utility>
#include <vector>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "commands/convert_plan.h"
#include "commands/filter_options.h"
#include "files/failure.h"
#include "filetypes/tool_formats.h"
#include "values/ascii_text.h"

namespace vezuved_cli {
namespace {

struct ConvertOptions {
    std::vector<std::string> files;
    std::string output;
    std::string outDir;
    std::string from;
    std::string to;
    std::string outputDefinition;
    bool compact = false;
    bool points = false;
    std::string track;
    std::string what;
    SharedOptions shared;
    std::shared_ptr<FilterOptions> filters = std::make_shared<FilterOptions>();
};

void Convert(RunContext& run, const ConvertOptions& options) {
    ConvertRequest request;
    request.inputs = options.files;
    request.output = options.output;
    request.outDir = options.outDir;
    // Without -o or --out-dir the last file named is the output.
    if (request.output.empty() && request.outDir.empty()) {
        if (request.inputs.size() < 2) FailUsage("convert needs an input and an output");
        request.output = request.inputs.back();
        request.inputs.pop_back();
    }
    // An output that ends in a separator names a folder, as --out-dir does.
    const char last = request.output.empty() ? '\0' : request.output.back();
    if ((last == '/' || last == '\\') && request.outDir.empty()) request.outDir.swap(request.output);
    request.from = FileTypeOption("--from", options.from);
    request.to = FileTypeOption("--to", options.to);
    request.outputDefinition = options.outputDefinition;
    request.track = options.track;
    if (!options.what.empty()) KindOfWhat(options.what);
    request.what = options.what;
    request.in = ToTextOptions(options.shared);
    request.map.compact = options.compact;
    request.pointsFile = options.points;
    // --auto reads one text file by its own header row.
    if (options.shared.autoDefinition) {
        if (request.inputs.size() != 1) FailUsage("--auto reads one text file at a time");
        request.in = TextOptionsFor(request.inputs.front(), options.shared);
    }
    request.filters = ToFilterPlan(run, *options.filters, request.in);
    run.rules = ToConversionRules(options.shared);
    RunConvert(run, request);
}

}  // namespace

void AddConvertCommand(CLI::App& app, RunContext& run) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* command = app.add_subcommand(
        "convert",
        "Convert by the extensions: .pdb, .gpx, .kml, .geojson (.json in), .svg, .html, .json (the "
        "listing show --output json prints), or a text layout");
    command
        ->add_option("files",
                     options->files,
                     "The inputs, then the output (unless -o or --out-dir names it). '-' is standard "
                     "input or output; 'logs/*.gpx' is expanded by the tool")
        ->required();
    command->add_option(
        "-o,--output",
        options->output,
        "The output; several inputs of one kind are merged; ending in '/', a folder, as --out-dir");
    command->add_option("--out-dir",
                        options->outDir,
                        "Convert each input on its own into this folder, with its name (needs --to)");
    command->add_option("--from", options->from, "What standard input holds: " + FileTypeNames());
    command->add_option("--to", options->to, "What to write: " + FileTypeNames(true));
    command->add_option(
        "--track", options->track, "Only the route or track of this name or number (1-based)");
    command->add_option("--what", options->what, "Only the waypoints, tracks or routes");
    AddDefinitionOption(*command, options->shared);
    command->add_option("--output-definition",
                        options->outputDefinition,
                        "Format definition (.cal) of a text output; default: the output file's own .cal");
    AddKindOption(*command, options->shared);
    AddTextCheckOptions(*command, options->shared);
    AddSegmentsOption(*command, options->shared);
    AddAutoOption(*command, options->shared);
    command->add_flag("--compact", options->compact, "GeoJSON on one line, without indentation");
    command->add_flag("--points",
                      options->points,
                      "GeoJSON: also write every point to <name>-points.geojson beside the output");
    AddFilterOptions(*command, options->filters);
    command->footer(
        "A database or text file holds one set: an input with several routes or tracks gives one file "
        "per set, named OUTPUT-SETNAME; a map output (.gpx, .kml, .geojson) takes them all. Files the "
        "tool names that would be an input or another output get -2, -3, ...; every name is decided "
        "before the first file is written.\n\n"
        "Map outputs keep segments (a GPX route, which has none, joins them with a warning). "
        "GeoJSON: a position has its elevation as a third number only where that point has one; "
        "times, names, descriptions and symbols of a route's or track's points are the arrays "
        "coordTimes, coordNames, coordDescriptions, coordSymbols (null where a point has none). "
        "KML: a route or track with any time is a gx:Track, and a point without a time in it "
        "has an empty <when/>, so no time is lost or moved; an untimed one is a LineString.\n\n"
        "The filters --simplify, --fit, --split, --crop and --merge run on every route and track after "
        "reading and before writing, in the order given; each says on standard error what it changed.\n\n"
        "Examples:\n  vezuved convert hike.pdb hike.gpx\n"
        "  vezuved convert phone.gpx hike.pdb --track 2\n"
        "  vezuved convert a.gpx b.gpx -o all.pdb\n"
        "  vezuved convert 'logs/*.gpx' --to pdb --out-dir db/\n"
        "  cat x.gpx | vezuved convert - out.pdb --from gpx\n"
        "  vezuved convert examples/data/summits.csv summits.geojson -d examples/formats/name-first.cal\n" +
        std::string(kFilterExamples));
    command->callback([options, &run] { Convert(run, *options); });
}

}  // namespace vezuved_cli
