// Windows file services: the platform's own calls, one to one.
#if defined(_WIN32)

#include "platform/host_file.h"

DWORD PlatformGetLastError() { return GetLastError(); }
void PlatformSetLastError(DWORD error) { SetLastError(error); }

HANDLE PlatformFindFirstFile(LPCWSTR pattern, HostFindData* found) { return FindFirstFileW(pattern, found); }
BOOL PlatformFindNextFile(HANDLE search, HostFindData* found) { return FindNextFileW(search, found); }
BOOL PlatformFindClose(HANDLE search) { return FindClose(search); }

HANDLE PlatformCreateFile(LPCWSTR path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileW(path, access, share, nullptr, disposition, attributes, nullptr);
}

BOOL PlatformReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done) {
    DWORD ignored = 0;
    return ReadFile(file, buffer, size, done != nullptr ? done : &ignored, nullptr);
}

BOOL PlatformWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done) {
    DWORD ignored = 0;
    return WriteFile(file, buffer, size, done != nullptr ? done : &ignored, nullptr);
}

DWORD PlatformGetFileSize(HANDLE file, DWORD* high) { return GetFileSize(file, high); }

BOOL PlatformGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write) {
    return GetFileTime(file, creation, access, write);
}

BOOL PlatformSetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
    return SetFileTime(file, creation, access, write);
}

BOOL PlatformCloseHandle(HANDLE file) { return CloseHandle(file); }
BOOL PlatformDeleteFile(LPCWSTR path) { return DeleteFileW(path); }
BOOL PlatformMoveFile(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING); }
BOOL PlatformCreateDirectory(LPCWSTR path) { return CreateDirectoryW(path, nullptr); }
BOOL PlatformRemoveDirectory(LPCWSTR path) { return RemoveDirectoryW(path); }
DWORD PlatformGetCurrentDirectory(DWORD size, WCHAR* buffer) { return GetCurrentDirectoryW(size, buffer); }

BOOL PlatformFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    return FileTimeToLocalFileTime(utc, local);
}

BOOL PlatformFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime) {
    return FileTimeToDosDateTime(time, date, dosTime);
}

FILETIME PlatformCurrentFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return now;
}

HANDLE PlatformFindFirstFileA(const char* pattern, WIN32_FIND_DATAA* found) { return FindFirstFileA(pattern, found); }
BOOL PlatformFindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) { return FindNextFileA(search, found); }

HANDLE PlatformCreateFileA(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr);
}

BOOL PlatformDeleteFileA(const char* path) { return DeleteFileA(path); }

#endif  // _WIN32
