// The PC side of the device operations: UTF-16 paths and search records
// throughout, reached through the wide file calls (or the 8-bit calls on
// systems without them, as DeviceSettings().useWideCalls says), and owners
// of the files and searches opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/unique_handle.h"
#include "base/wide_text.h"
#include "device/ce_types.h"
#include "platform/host_file.h"

namespace vezuved {

// The calls that differ between the wide and the 8-bit file calls. Every
// other PC file call is the platform's own (platform/host_file.h). Failures
// return the platform call's own failure value and leave the error in
// PlatformGetLastError(); nothing is printed.
HANDLE HostFindFirstFile(LPCWSTR path, HostFindData* found);
BOOL HostFindNextFile(HANDLE search, HostFindData* found);
// security and templateFile are always null; they are kept for the calling
// pattern and ignored.
HANDLE HostCreateFile(LPCWSTR path,
                      DWORD access,
                      DWORD share,
                      LPSECURITY_ATTRIBUTES security,
                      DWORD disposition,
                      DWORD attributes,
                      HANDLE templateFile);
BOOL HostDeleteFile(LPCWSTR path);

// As CompareFileTime: -1, 0 or 1 by the full 64-bit values.
int32_t CompareFileTimes(const FILETIME* a, const FILETIME* b);

// Gives the destination the source's last-write time as its creation, access
// and write times. Silent: an unopenable source or destination changes nothing.
void CopyFileTimes(LPCWSTR source, LPCWSTR destination);

// Owners of a PC file and a PC search. Both INVALID_HANDLE_VALUE and null
// count as no handle and are never closed.
struct HostFileTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Handle handle) { PlatformCloseHandle(handle); }
};
struct HostSearchTraits : HostFileTraits {
    static void Close(Handle handle) { PlatformFindClose(handle); }
};
using HostFile = UniqueHandle<HostFileTraits>;
using HostSearch = UniqueHandle<HostSearchTraits>;

}  // namespace vezuved
