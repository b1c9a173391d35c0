#include "device/host_files.h"

#include "device/find_data_facts.h"
#include "platform/host_file.h"
#include "platform/system.h"
#include "state/device_state.h"

namespace vezuved {

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
    CopyFindDataFacts(narrow, *wide);
    wide->dwReserved0 = narrow.dwReserved0;
    wide->dwReserved1 = narrow.dwReserved1;
    WidenSigned(wide->cFileName, narrow.cFileName, MAX_PATH);
    WidenSigned(wide->cAlternateFileName, narrow.cAlternateFileName, 14);
}

void FindDataToNarrow(const HostFindData& wide, WIN32_FIND_DATAA* narrow) {
    CopyFindDataFacts(wide, *narrow);
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

HANDLE HostCreateFile(LPCWSTR path,
                      DWORD access,
                      DWORD share,
                      LPSECURITY_ATTRIBUTES /*security*/,
                      DWORD disposition,
                      DWORD attributes,
                      HANDLE /*templateFile*/) {
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

int32_t CompareFileTimes(const FILETIME* a, const FILETIME* b) {
    const uint64_t x = FileTimeValue(*a);
    const uint64_t y = FileTimeValue(*b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void CopyFileTimes(LPCWSTR source, LPCWSTR destination) {
    FILETIME written;
    {
        HostFile in(
            HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!in) return;
        if (!PlatformGetFileTime(in.Get(), nullptr, nullptr, &written)) return;
    }
    HostFile out(
        HostCreateFile(destination, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!out) return;
    PlatformSetFileTime(out.Get(), &written, &written, &written);
}

}  // namespace vezuved
