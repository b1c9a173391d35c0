#include <memory>

#include "commands/command_options.h"
#include "commands/commands.h"
#include "conversion/transfers.h"

namespace vezuved_cli {
namespace {

struct ExportOptions {
    std::string database;
    std::string output;
    SharedOptions shared;
};

}  // namespace

void AddExportCommand(CLI::App& app, RunContext& run) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand("export", "Export a database (.pdb) as a text file");
    command->add_option("database", options->database, "The database")->required();
    command->add_option("-o,--output",
                        options->output,
                        "The text file, or a folder to write it in; default: beside the database");
    command->add_option("-d,--definition",
                        options->shared.definition,
                        "Format definition (.cal) of the text; default: the output file's own .cal");
    AddLayoutOption(*command, options->shared);
    AddUnitFlags(*command, options->shared);
    AddColumnsOption(*command, options->shared);
    command->footer("Example:\n  vezuved export hike.pdb -d examples/formats/garmin.cal -o hike.txt");
    command->callback([options, &run] {
        const std::string written =
            ExportDatabase(run, options->database, options->output, ToTextOptions(options->shared));
        run.out << "Wrote " << written << "\n";
    });
}

}  // namespace vezuved_cli
