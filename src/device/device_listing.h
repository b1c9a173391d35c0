// The device listing: which point, route and track databases the handheld
// holds, how each compares with the file of the same name in a PC folder,
// which files of a known kind exist only on the PC, and the sync file.
#pragma once

#include <cstdint>

#include "device/device_volume.h"

namespace vezuved {

// 0 when the report was made (also without a mountable volume), -1 without
// a PC folder, or the negative result of loading the remote API.
int32_t ListDevice(const WCHAR* pcFolder, const WCHAR* deviceFolder, uint32_t options);
void ListKind(const DeviceTarget& target, DWORD type, DWORD routeFlag, const WCHAR* pcFolder);
void ListPcFiles(const WCHAR* pcFolder);

}  // namespace vezuved
