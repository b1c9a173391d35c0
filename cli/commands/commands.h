// The subcommands of `vezuved`. Each adds itself to the application with
// its options, help and example, and runs from its callback; failures are
// thrown as Failure.
#pragma once

#include <CLI/CLI.hpp>

namespace vezuved_cli {

void AddInfoCommand(CLI::App& app);
void AddShowCommand(CLI::App& app);
void AddImportCommand(CLI::App& app);
void AddExportCommand(CLI::App& app);
void AddConvertCommand(CLI::App& app);
void AddFormatsCommand(CLI::App& app);
void AddStatsCommand(CLI::App& app);

}  // namespace vezuved_cli
