// What the device operations keep between one export call and the next, in
// one place with the rule that resets each part. Everything else a device
// operation uses lives on its stack or in objects it owns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_text.h"

namespace vezuved {

// One pair a device listing finds (device database name, PC path). Either
// text may be empty. Texts are kept whole, whatever their length.
struct SyncEntry {
    WideString name;
    WideString path;
};

struct DeviceState {
    // Kind forced by the copy calls' kind argument: 0 points, 1 tracks,
    // 2 routes, 8 maps, 9 icons, 10 resources; anything else classifies by
    // extension. Set by every copy call, to or from the device; never reset,
    // so a listing after a copy classifies PC files as that copy did.
    int32_t forcedKind = -1;
    // Wide or 8-bit PC file calls. Set from the platform query each time a
    // connection to the handheld starts, and kept after it ends.
    bool useWideCalls = true;
    // The pairs the running listing found. Emptied at the end of every
    // device operation (FreeSyncList).
    std::vector<SyncEntry> syncList;
};

// The process's one device state.
DeviceState& DeviceSettings();

}  // namespace vezuved
