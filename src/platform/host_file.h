// The PC's file services with the Windows calling pattern: UTF-16 paths,
// handles, FILETIMEs and a per-thread last-error value in Windows numbering.
// On Windows these are the wide calls themselves (plus the 8-bit ones for
// systems without them), except that a search matches names with
// platform/wildcard.h itself, whatever the OS's own matching does. On POSIX
// one implementation behaves as the wide calls do: '\' and '/' both
// separate, names are found without regard to case, UTF-16 paths become
// bytes by keeping each unit's low byte and names found come back widened
// byte by byte, so a name's bytes round-trip.
#pragma once

#include <cstdint>

#include <string>

#include "platform/win_types.h"

namespace vezuved {

DWORD PlatformGetLastError();
void PlatformSetLastError(DWORD error);

HANDLE PlatformFindFirstFile(LPCWSTR pattern, HostFindData* found);
BOOL PlatformFindNextFile(HANDLE search, HostFindData* found);
BOOL PlatformFindClose(HANDLE search);

HANDLE PlatformCreateFile(LPCWSTR path, DWORD access, DWORD share, DWORD disposition, DWORD attributes);
BOOL PlatformReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done);
BOOL PlatformWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done);
DWORD PlatformGetFileSize(HANDLE file, DWORD* high);
BOOL PlatformGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write);
// A null time leaves that time as it is.
BOOL PlatformSetFileTime(HANDLE file,
                         const FILETIME* creation,
                         const FILETIME* access,
                         const FILETIME* write);
BOOL PlatformCloseHandle(HANDLE file);
BOOL PlatformDeleteFile(LPCWSTR path);
BOOL PlatformMoveFile(LPCWSTR from, LPCWSTR to);  // replaces an existing destination
BOOL PlatformCreateDirectory(LPCWSTR path);
BOOL PlatformRemoveDirectory(LPCWSTR path);
// Units written without the terminator, or the size needed when it does not
// fit, or 0 on failure (as GetCurrentDirectoryW).
DWORD PlatformGetCurrentDirectory(DWORD size, WCHAR* buffer);

// Time conversions: UTC to local time by the zone rules in force, and a
// FILETIME (taken as it is) into DOS date and time words; every pointer
// names a value (the library has no call without one).
BOOL PlatformFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL PlatformFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime);
// The present moment as a FILETIME.
FILETIME PlatformCurrentFileTime();

#if defined(_WIN32)
// The 8-bit calls, for systems without the wide ones.
HANDLE PlatformFindFirstFileA(const char* pattern, WIN32_FIND_DATAA* found);
BOOL PlatformFindNextFileA(HANDLE search, WIN32_FIND_DATAA* found);
HANDLE PlatformCreateFileA(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes);
BOOL PlatformDeleteFileA(const char* path);
#else
// The byte path a UTF-16 path names here: separators made '/', and every
// existing component spelt as it is on disk when it differs only in case.
std::string PlatformResolvePath(LPCWSTR path);
#endif

}  // namespace vezuved
