// `vezuved device list|push|pull`: the handheld through the
// library's device functions, with progress on standard error, Ctrl-C as a
// clean cancel and, with --ask, a question before anything is replaced.
#pragma once

#include <CLI/CLI.hpp>

namespace vezuved_cli {

void AddDeviceCommand(CLI::App& app);

}  // namespace vezuved_cli
