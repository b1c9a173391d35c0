// Whole or nothing on the handheld: a database or file copied there is
// built under a temporary name and swapped in only once it is complete, so
// a failure at any step leaves the previous copy as it was and no temporary
// name behind.
#pragma once

#include <cstdint>

#include "device/device_volume.h"

namespace vezuved {

// Closes the open handle of something written; a close that fails is tried
// once more, so nothing stays open, and counts as a failed write.
bool CloseWritten(DeviceHandle& handle);

// Creates the database described by info under a free temporary name
// (info's name is overwritten). 0 on failure, with the device's error in
// error.
CEOID CreateTemporaryDatabase(CEGUID* volume, CEDBASEINFO& info, DWORD& error);

// Gives the complete temporary database `fresh` the name and last-modified
// time; an existing database of that name (existing, with its time) goes
// only once the new one holds its name. False when any step fails: the
// existing database is then as it was and fresh is deleted.
bool SwapInDatabase(CEGUID* volume,
                    CEOID fresh,
                    const WideString& freshName,
                    const WideString& name,
                    const FILETIME& time,
                    CEOID existing,
                    const FILETIME& existingTime);

// The device path a plain file is written to before it is moved in place:
// a free temporary name beside it, created and opened for writing. Without
// CeMoveFile a new file is written at its own name, and an existing one is
// refused: replacing it would mean deleting it before its successor is
// whole. False on failure.
struct DeviceFileWrite {
    WideString path;
    DeviceHandle handle;
    bool temporary = false;  // deleted again unless the copy completes
    bool inPlace = false;    // written at the target itself: nothing to move
};
bool CreateDeviceFileWrite(const WideString& devicePath, bool exists, DeviceFileWrite& write);

// Moves the complete temporary file over devicePath (existing: whether a
// file is there). False when any step fails: the existing file is then as
// it was and the temporary file is gone.
bool SwapInDeviceFile(const DeviceFileWrite& write, const WideString& devicePath, bool exists);
// Deletes what an unfinished write left.
void AbandonDeviceFileWrite(DeviceFileWrite& write);

}  // namespace vezuved
