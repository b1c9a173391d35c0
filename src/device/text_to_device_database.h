// A PC text file of record lines into a device database: each line parsed
// in the active layout and written as a device record with its five
// properties. The database is built under a temporary name and swapped in
// once complete, so the device keeps its previous copy until then.
#pragma once

#include <cstdint>
#include <functional>

#include "device/device_volume.h"
#include "device/transfer_rules.h"
#include "record/point_record.h"
#include "record/record_bytes.h"
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

// Writes the records of the database being built (kind: the device
// database's, for the leg values); 0, devCancelled or a failure.
using RecordsWriter = std::function<int32_t(DeviceDatabase& db, int32_t kind, CopyProgress& progress)>;

// A database named sourceName built by write, following the transfer rules
// of options against the source's time; progress counts to total.
// whenCopied runs after a successful copy, before its end is reported.
// state keeps the running totals and the last leg written.
int32_t RecordsToDeviceDatabase(ConversionState& state,
                                DeviceDatabase& db,
                                const DeviceTarget& target,
                                const WideString& sourceName,
                                const FILETIME& sourceTime,
                                int32_t total,
                                uint32_t options,
                                const RecordsWriter& write,
                                const std::function<void()>& whenCopied = {});

// One record more in the open database, the index-th from 0; proceed is
// asked once its bytes are built (false: devCancelled, nothing written).
int32_t WriteNextRecord(ConversionState& state,
                        DeviceDatabase& db,
                        int32_t kind,
                        PointRecord& record,
                        int32_t index,
                        RecordBytes& bytes,
                        const std::function<bool()>& proceed);

}  // namespace vezuved
