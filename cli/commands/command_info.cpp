#include <memory>

#include <vezuved/vezuved.h>

#include "commands/commands.h"
#include "conversion/records.h"
#include "files/failure.h"
#include "output/table_output.h"
#include "values/options.h"

namespace vezuved_cli {

void AddInfoCommand(CLI::App& app, RunContext& run) {
    auto file = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("info", "Show a database's kind, layout, header version and record count");
    command->add_option("database", *file, "The database (.pdb)")->required();
    command->footer("Example:\n  vezuved info hike.pdb");
    command->callback([file, &run] {
        const vezuved_database_facts facts = ReadDatabaseFacts(*file);
        run.out << AlignColumns({{"file:", *file},
                                 {"kind:", KindText(facts.kind)},
                                 {"layout:", LayoutText(facts.layout)},
                                 {"version:", std::to_string(facts.version)},
                                 {"records:", std::to_string(facts.records)}});
    });
}

}  // namespace vezuved_cli
