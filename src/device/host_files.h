// The PC side of the device operations: UTF-16 paths and search records
// throughout, reached through the wide file calls (or the 8-bit calls on
// systems without them, as DeviceSettings().useWideCalls says), owners of
// the files and searches opened, and the debugger line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/unique_handle.h"
#include "base/wide_text.h"
#include "device/ce_types.h"

// Searches, files and folders. Failures return the platform call's own
// failure value and leave the error in HostGetLastError(); nothing is printed.
HANDLE HostFindFirstFile(LPCWSTR path, HostFindData* found);
BOOL HostFindNextFile(HANDLE search, HostFindData* found);
BOOL HostFindClose(HANDLE search);
// security and templateFile are always null; they are kept for the calling
// pattern and ignored.
HANDLE HostCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                      DWORD attributes, HANDLE templateFile);
BOOL HostDeleteFile(LPCWSTR path);
// Moves a file over another, replacing it (the wide call on every branch).
BOOL HostMoveFile(LPCWSTR from, LPCWSTR to);
BOOL HostReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done);
BOOL HostWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done);
DWORD HostGetFileSize(HANDLE file, DWORD* high);
BOOL HostGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write);
BOOL HostSetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write);
BOOL HostCloseHandle(HANDLE file);
// As GetCurrentDirectoryW: units written, the size needed, or 0.
DWORD HostGetCurrentDirectory(DWORD size, WCHAR* buffer);
BOOL HostCreateDirectory(LPCWSTR path);
DWORD HostGetLastError();

// Time conversions as FileTimeToLocalFileTime and FileTimeToDosDateTime.
BOOL HostFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL HostFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime);
// As CompareFileTime: -1, 0 or 1 by the full 64-bit values.
int32_t CompareFileTimes(const FILETIME* a, const FILETIME* b);

// Gives the destination the source's last-write time as its creation, access
// and write times. Silent: an unopenable source or destination changes nothing.
void CopyFileTimes(LPCWSTR source, LPCWSTR destination);

// One debugger line (the device record-write failure goes there).
void DebugOutputLine(const WCHAR* text);

// Owners of a PC file and a PC search. Both INVALID_HANDLE_VALUE and null
// count as no handle and are never closed.
struct HostFileTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Handle handle) { HostCloseHandle(handle); }
};
struct HostSearchTraits : HostFileTraits {
    static void Close(Handle handle) { HostFindClose(handle); }
};
using HostFile = UniqueHandle<HostFileTraits>;
using HostSearch = UniqueHandle<HostSearchTraits>;
