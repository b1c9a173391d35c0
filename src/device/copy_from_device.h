// Copies from the handheld: point, route and track databases become text
// files of record lines in a PC folder; maps, icons and resources are
// copied byte for byte.
#pragma once

#include <cstdint>

#include "device/device_volume.h"
#include "state/conversion_state.h"

namespace vezuved {

// kind: 0 points, 1 tracks, 2 routes, 8 maps, 9 icons, 10 resources;
// anything else copies every kind. state is reset, then gives the layout
// the databases are written in.
int32_t CopyFromDevice(ConversionState& state,
                       const WCHAR* deviceFolder,
                       const WCHAR* filter,
                       const WCHAR* pcFolder,
                       uint32_t options,
                       int32_t kind);
int32_t CopyKindFromDevice(const ConversionState& state,
                           const DeviceTarget& target,
                           DWORD type,
                           DWORD routeFlag,
                           const WCHAR* filter,
                           const WCHAR* pcFolder,
                           uint32_t options);
int32_t CopyPlainFileFromDevice(
    const DeviceTarget& target, const WCHAR* pcFolder, const WCHAR* name, uint32_t options, bool move);

}  // namespace vezuved
