// A PC text file of record lines into a device database: each line parsed
// in the active layout and written as a device record with its five
// properties. The database is built under a temporary name and swapped in
// once complete, so the device keeps its previous copy until then.
#pragma once

#include <cstdint>

#include "device/device_volume.h"
#include "state/conversion_state.h"

namespace vezuved {

// The text file source into a database of db's type and flag, named after
// the file, following the transfer rules of options (move: the PC file is
// deleted after a successful copy). 0, devReplaced, a skip status, or a
// failure (printed). state gives the layout the lines are read in and
// keeps the last leg written.
int32_t FileToDeviceDatabase(ConversionState& state,
                             DeviceDatabase& db,
                             const DeviceTarget& target,
                             const WCHAR* source,
                             uint32_t options,
                             bool move);

}  // namespace vezuved
