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

// How a copy that did not fail ended (vezuved_device_outcome), in words.
std::string DeviceOutcomeWords(int32_t outcome);

// Finds the device emulator and, when root is not empty, points it at that
// folder, as --device does; fails naming every place tried.
void UseEmulatedDevice(const std::string& root);

}  // namespace vezuved_cli
