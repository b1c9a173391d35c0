// The pairs a device listing finds (device database name, PC path), the
// "Files Only on PC" section of its report and the sync file
// "RLDBSync.inf" the host application reads back.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "device/ce_types.h"
#include "platform/path_encoding.h"
#include "state/device_state.h"

namespace vezuved {

// The list kept in DeviceSettings(); emptied by FreeSyncList at the end of
// every device operation.
const std::vector<SyncEntry>& SyncList();

// Completes the entry of the same device name or PC path (both compared
// ignoring case), or appends a new one. Null means not given.
void AddSyncPair(const WCHAR* name, const WCHAR* path);
// Prints the "Files Only on PC" section and answers the paths it names.
std::vector<std::string> PrintPcOnlyFiles(PathEncoding paths);
// folder may still end in the search pattern the listing used. False, with
// the line that says so printed, when the file could not be written whole.
bool WriteSyncFile(const WCHAR* folder);
void FreeSyncList();

}  // namespace vezuved
