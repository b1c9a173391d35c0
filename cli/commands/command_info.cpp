#include <memory>

#include <vezuved/vezuved.h>

#include "api/tool_api.h"
#include "commands/commands.h"
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
        RequireInputFile(*file, "database");
        int32_t kind = 0, source = 0, version = 0, count = 0;
        const int32_t result = vezuved::tool::ReadDatabaseInfo(*file, &kind, &source, &version, &count);
        if (result != 0)
            FailConversion("cannot read the database '" + *file + "': " + DatabaseErrorCause(result));
        run.out << AlignColumns({{"file:", *file},
                                 {"kind:", KindText(kind)},
                                 {"layout:", LayoutText(source)},
                                 {"version:", std::to_string(version)},
                                 {"records:", std::to_string(count)}});
    });
}

}  // namespace vezuved_cli
