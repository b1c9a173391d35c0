// `vezuved serve`: the local page.
#pragma once

#include <CLI/CLI.hpp>

namespace vezuved_cli {

void AddServeCommand(CLI::App& app);

}  // namespace vezuved_cli
