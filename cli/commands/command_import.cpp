#include <memory>

#include <vezuved/vezuved.h>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "commands/convert_plan.h"
#include "conversion/transfers.h"
#include "filetypes/tool_formats.h"
#include "values/options.h"

namespace vezuved_cli {
namespace {

struct ImportOptions {
    std::string text;
    std::string output;
    SharedOptions shared;
};

// One line about the database just written, read back from its header.
void Report(const RunContext& run, const std::string& path) {
    const vezuved_database_facts facts = ReadDatabaseFacts(path);
    run.out << "Wrote " << path << " (" << KindText(facts.kind) << ", " << facts.records << " record(s))\n";
}

}  // namespace

void AddImportCommand(CLI::App& app, RunContext& run) {
    auto options = std::make_shared<ImportOptions>();
    CLI::App* command =
        app.add_subcommand("import", "Import a text, GPX, KML or GeoJSON file into databases (.pdb)");
    command->add_option("text", options->text, "The text, GPX, KML or GeoJSON file")->required();
    command->add_option("-o,--output",
                        options->output,
                        "The database; default: beside the text file, with its name. The name always "
                        "ends in .pdb; the database inside takes its first 31 characters");
    AddTextReadingOptions(*command, options->shared);
    AddSegmentsOption(*command, options->shared);
    command->footer(
        "Example:\n  vezuved import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb");
    command->callback([options, &run] {
        run.rules = ToConversionRules(options->shared);
        const FileType type = FileTypeForPath(options->text);
        if (IsMap(type)) {
            // Map files are made databases as convert makes them: one per set.
            ConvertRequest request;
            request.inputs = {options->text};
            request.output = options->output.empty() ? ImportedDatabasePath(options->text)
                                                     : ImportedDatabasePath(options->output);
            request.to = FileType::Database;
            request.in = ToTextOptions(options->shared);
            RunConvert(run, request);
            return;
        }
        const TextOptions text = TextOptionsFor(options->text, options->shared);
        RequireInput(InputFile{options->text, options->text, FileType::Text}, text);
        Report(run, ImportTextFile(run, options->text, options->output, text));
    });
}

}  // namespace vezuved_cli
