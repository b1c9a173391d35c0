// `vezuved device list|push|pull`: the handheld through the
// library's device functions, with progress on standard error, Ctrl-C as a
// clean cancel and, with --ask, a question before anything is replaced.
#pragma once

#include <cstdint>
#include <string>

#include <CLI/CLI.hpp>

#include "files/run_context.h"

namespace vezuved_cli {

void AddDeviceCommand(CLI::App& app, RunContext& run);

// A device result in words ("the file is of no kind the handheld keeps").
std::string DeviceResultText(int32_t result);

// Finds the device emulator and, when root is not empty, points it at that
// folder, as --device does; fails naming every place tried.
void UseEmulatedDevice(const std::string& root);

}  // namespace vezuved_cli
