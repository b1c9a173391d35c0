// `vezuved serve`: the local page.
#pragma once

#include <CLI/CLI.hpp>

#include "files/run_context.h"

namespace vezuved_cli {

void AddServeCommand(CLI::App& app, RunContext& run);

}  // namespace vezuved_cli
