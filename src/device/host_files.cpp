#include "device/host_files.h"

#include "platform/host_file.h"
#include "platform/system.h"
#include "state/device_state.h"

namespace {

#if defined(_WIN32)
// Paths handed to the 8-bit calls: at most 259 bytes, longer ones are cut.
constexpr int32_t kNarrowPathLimit = 259;

// 8-bit names come back widened with sign extension (0x80..0xFF become
// 0xFF80..0xFFFF), so NarrowText gives the original byte again.
void WidenSigned(WCHAR* dst, const char* src, size_t capacity) {
    size_t i = 0;
    for (; i + 1 < capacity && src[i] != 0; ++i)
        dst[i] = static_cast<WCHAR>(static_cast<int16_t>(static_cast<signed char>(src[i])));
    dst[i] = 0;
}

void FindDataToWide(const WIN32_FIND_DATAA& narrow, HostFindData* wide) {
    wide->dwFileAttributes = narrow.dwFileAttributes;
    wide->ftCreationTime = narrow.ftCreationTime;
    wide->ftLastAccessTime = narrow.ftLastAccessTime;
    wide->ftLastWriteTime = narrow.ftLastWriteTime;
    wide->nFileSizeHigh = narrow.nFileSizeHigh;
    wide->nFileSizeLow = narrow.nFileSizeLow;
    wide->dwReserved0 = narrow.dwReserved0;
    wide->dwReserved1 = narrow.dwReserved1;
    WidenSigned(wide->cFileName, narrow.cFileName, MAX_PATH);
    WidenSigned(wide->cAlternateFileName, narrow.cAlternateFileName, 14);
}

void FindDataToNarrow(const HostFindData& wide, WIN32_FIND_DATAA* narrow) {
    narrow->dwFileAttributes = wide.dwFileAttributes;
    narrow->ftCreationTime = wide.ftCreationTime;
    narrow->ftLastAccessTime = wide.ftLastAccessTime;
    narrow->ftLastWriteTime = wide.ftLastWriteTime;
    narrow->nFileSizeHigh = wide.nFileSizeHigh;
    narrow->nFileSizeLow = wide.nFileSizeLow;
    narrow->dwReserved0 = wide.dwReserved0;
    narrow->dwReserved1 = wide.dwReserved1;
    NarrowText(narrow->cFileName, wide.cFileName, MAX_PATH - 1);
    NarrowText(narrow->cAlternateFileName, wide.cAlternateFileName, 13);
}
#endif

}  // namespace

HANDLE HostFindFirstFile(LPCWSTR path, HostFindData* found) {
#if defined(_WIN32)
    if (!DeviceSettings().useWideCalls) {
        char narrow[kNarrowPathLimit + 1];
        NarrowText(narrow, path, kNarrowPathLimit);
        WIN32_FIND_DATAA record;
        HANDLE search = PlatformFindFirstFileA(narrow, &record);
        if (search != INVALID_HANDLE_VALUE) FindDataToWide(record, found);
        return search;
    }
#endif
    return PlatformFindFirstFile(path, found);
}

BOOL HostFindNextFile(HANDLE search, HostFindData* found) {
#if defined(_WIN32)
    if (!DeviceSettings().useWideCalls) {
        WIN32_FIND_DATAA record;
        FindDataToNarrow(*found, &record);
        if (!PlatformFindNextFileA(search, &record)) return FALSE;
        FindDataToWide(record, found);
        return TRUE;
    }
#endif
    return PlatformFindNextFile(search, found);
}

BOOL HostFindClose(HANDLE search) { return PlatformFindClose(search); }

HANDLE HostCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition,
                      DWORD attributes, HANDLE /*templateFile*/) {
#if defined(_WIN32)
    if (!DeviceSettings().useWideCalls) {
        char narrow[kNarrowPathLimit + 1];
        NarrowText(narrow, path, kNarrowPathLimit);
        return PlatformCreateFileA(narrow, access, share, disposition, attributes);
    }
#endif
    return PlatformCreateFile(path, access, share, disposition, attributes);
}

BOOL HostDeleteFile(LPCWSTR path) {
#if defined(_WIN32)
    if (!DeviceSettings().useWideCalls) {
        char narrow[kNarrowPathLimit + 1];
        NarrowText(narrow, path, kNarrowPathLimit);
        return PlatformDeleteFileA(narrow);
    }
#endif
    return PlatformDeleteFile(path);
}

BOOL HostMoveFile(LPCWSTR from, LPCWSTR to) { return PlatformMoveFile(from, to); }

BOOL HostReadFile(HANDLE file, void* buffer, DWORD size, DWORD* done) {
    return PlatformReadFile(file, buffer, size, done);
}
BOOL HostWriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* done) {
    return PlatformWriteFile(file, buffer, size, done);
}
DWORD HostGetFileSize(HANDLE file, DWORD* high) { return PlatformGetFileSize(file, high); }
BOOL HostGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write) {
    return PlatformGetFileTime(file, creation, access, write);
}
BOOL HostSetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
    return PlatformSetFileTime(file, creation, access, write);
}
BOOL HostCloseHandle(HANDLE file) { return PlatformCloseHandle(file); }
DWORD HostGetCurrentDirectory(DWORD size, WCHAR* buffer) { return PlatformGetCurrentDirectory(size, buffer); }
BOOL HostCreateDirectory(LPCWSTR path) { return PlatformCreateDirectory(path); }
DWORD HostGetLastError() { return PlatformGetLastError(); }

BOOL HostFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    return PlatformFileTimeToLocalFileTime(utc, local);
}
BOOL HostFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime) {
    return PlatformFileTimeToDosDateTime(time, date, dosTime);
}

int32_t CompareFileTimes(const FILETIME* a, const FILETIME* b) {
    const uint64_t x = FileTimeValue(*a);
    const uint64_t y = FileTimeValue(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void CopyFileTimes(LPCWSTR source, LPCWSTR destination) {
    FILETIME written;
    {
        HostFile in(HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!in) return;
        if (!HostGetFileTime(in.Get(), nullptr, nullptr, &written)) return;
    }
    HostFile out(HostCreateFile(destination, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!out) return;
    HostSetFileTime(out.Get(), &written, &written, &written);
}

void DebugOutputLine(const WCHAR* text) { PlatformDebugOutput(text); }
