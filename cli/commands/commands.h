// The subcommands of `vezuved`. Each adds itself to the application with
// its options, help and example, and runs from its callback, writing to the
// run's streams; failures are thrown as Failure.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "files/run_context.h"

namespace vezuved_cli {

void AddInfoCommand(CLI::App& app, RunContext& run);
void AddShowCommand(CLI::App& app, RunContext& run);
void AddImportCommand(CLI::App& app, RunContext& run);
void AddExportCommand(CLI::App& app, RunContext& run);
void AddConvertCommand(CLI::App& app, RunContext& run);
void AddFormatsCommand(CLI::App& app, RunContext& run);
void AddStatsCommand(CLI::App& app, RunContext& run);

// Every file format the library reads and writes, with what each keeps, as
// `vezuved formats` and --help print it.
std::string FileFormatsTable();

}  // namespace vezuved_cli
