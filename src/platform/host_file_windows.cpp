// Windows file services: the platform's own calls, one to one.
#if defined(_WIN32)

#include "platform/host_file.h"

#include <string>

#include "platform/wildcard.h"

namespace vezuved {

DWORD PlatformGetLastError() { return GetLastError(); }
void PlatformSetLastError(DWORD error) { SetLastError(error); }

// The OS lists every entry of the folder and the names are matched here, as
// on POSIX: the OS's own matching differs between versions and file systems
// (short 8.3 names matching "*.rlp" to "x.rlpx", "*." matching every name).
namespace {

struct Search {
    HANDLE os = INVALID_HANDLE_VALUE;
    std::string pattern;  // the name part, each unit's low byte
};

std::string LowBytes(const WCHAR* text) {
    std::string bytes;
    for (const WCHAR* p = text; *p != 0; ++p) bytes.push_back(static_cast<char>(*p & 0xFF));
    return bytes;
}

bool Matches(const Search& search, const HostFindData& found) {
    return WildcardMatch(search.pattern.c_str(), LowBytes(found.cFileName).c_str());
}

}  // namespace

HANDLE PlatformFindFirstFile(LPCWSTR pattern, HostFindData* found) {
    const std::wstring path = pattern;
    const size_t slash = path.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    // "C:name" names a file in the drive's current folder.
    const size_t drive = nameStart == 0 && path.size() >= 2 && path[1] == L':' ? 2 : nameStart;
    Search* search = new Search;
    search->pattern = LowBytes(path.c_str() + drive);
    search->os = FindFirstFileW((path.substr(0, drive) + L"*").c_str(), found);
    if (search->os == INVALID_HANDLE_VALUE) {
        delete search;
        return INVALID_HANDLE_VALUE;
    }
    for (;;) {
        if (Matches(*search, *found)) return reinterpret_cast<HANDLE>(search);
        if (!FindNextFileW(search->os, found)) break;
    }
    FindClose(search->os);
    delete search;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL PlatformFindNextFile(HANDLE handle, HostFindData* found) {
    Search* search = reinterpret_cast<Search*>(handle);
    if (search == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    while (FindNextFileW(search->os, found))
        if (Matches(*search, *found)) return TRUE;
    return FALSE;  // the OS's error: ERROR_NO_MORE_FILES at the end
}

BOOL PlatformFindClose(HANDLE handle) {
    Search* search = reinterpret_cast<Search*>(handle);
    if (search == nullptr || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const BOOL closed = FindClose(search->os);
    delete search;
    return closed;
}

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

BOOL PlatformSetFileTime(HANDLE file,
                         const FILETIME* creation,
                         const FILETIME* access,
                         const FILETIME* write) {
    return SetFileTime(file, creation, access, write);
}

BOOL PlatformCloseHandle(HANDLE file) { return CloseHandle(file); }
BOOL PlatformDeleteFile(LPCWSTR path) { return DeleteFileW(path); }
// Write-through: the move is on the disk when the call returns, so a file
// swapped in survives a crash right after.
BOOL PlatformMoveFile(LPCWSTR from, LPCWSTR to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
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

HANDLE PlatformFindFirstFileA(const char* pattern, WIN32_FIND_DATAA* found) {
    return FindFirstFileA(pattern, found);
}
BOOL PlatformFindNextFileA(HANDLE search, WIN32_FIND_DATAA* found) { return FindNextFileA(search, found); }

HANDLE PlatformCreateFileA(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    return CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr);
}

BOOL PlatformDeleteFileA(const char* path) { return DeleteFileA(path); }

}  // namespace vezuved

#endif  // _WIN32
