// A device database into a PC text file of record lines: each record's text
// property parsed as a record line and formatted in the active layout. The
// file is written beside the destination and replaces it only once
// complete, taking the device's time.
#pragma once

#include <cstdint>

#include "device/device_volume.h"
#include "state/conversion_state.h"

namespace vezuved {

// db (its oid, name and record count known) into destination; state gives
// the layout. The database stays on the device: a copy from it never
// deletes its source. 0, or a failure (printed).
int32_t DeviceDatabaseToFile(const ConversionState& state,
                             DeviceDatabase& db,
                             const DeviceTarget& target,
                             const WCHAR* destination,
                             const FILETIME& deviceTime);

}  // namespace vezuved
