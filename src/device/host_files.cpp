#include "device/host_files.h"

#include <cstring>
#include <vector>

#include "state/callbacks.h"
#include "platform/host_file.h"
#include "platform/system.h"

bool g_useWideCalls = true;

#if defined(_WIN32)
const WCHAR kHostPathSeparator = L'\\';
#else
const WCHAR kHostPathSeparator = u'/';
#endif

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

void AppendNumber(WCHAR*& out, long value, int width) {
    char digits[24];
    int n = 0;
    unsigned long v = value < 0 ? 0ul : static_cast<unsigned long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < 20);
    for (int pad = n; pad < width; ++pad) *out++ = '0';
    while (n > 0) *out++ = static_cast<WCHAR>(digits[--n]);
}

WCHAR* JoinWith(WCHAR* dst, const WCHAR* a, const WCHAR* b, WCHAR separator) {
    WCHAR* out = dst;
    if (a != nullptr && a != dst)
        for (const WCHAR* p = a; *p != 0; ++p) *out++ = *p;
    else if (a == dst)
        out += WideLength(dst);
    if (b != nullptr) {
        *out++ = separator;
        for (const WCHAR* p = b; *p != 0; ++p) *out++ = *p;
    }
    *out = 0;
    return dst;
}

WCHAR FoldCase(WCHAR c) { return (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - 'a' + 'A') : c; }

}  // namespace

HANDLE HostFindFirstFile(LPCWSTR path, HostFindData* found) {
#if defined(_WIN32)
    if (!g_useWideCalls) {
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
    if (!g_useWideCalls) {
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
    if (!g_useWideCalls) {
        char narrow[kNarrowPathLimit + 1];
        NarrowText(narrow, path, kNarrowPathLimit);
        return PlatformCreateFileA(narrow, access, share, disposition, attributes);
    }
#endif
    return PlatformCreateFile(path, access, share, disposition, attributes);
}

BOOL HostDeleteFile(LPCWSTR path) {
#if defined(_WIN32)
    if (!g_useWideCalls) {
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
void HostSetLastError(DWORD error) { PlatformSetLastError(error); }

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

FILETIME HostCurrentFileTime() { return PlatformCurrentFileTime(); }

void WidenText(WCHAR* dst, const char* src, int32_t count) {
    if (dst == nullptr) return;
    if (src == nullptr) {
        dst[0] = 0;
        return;
    }
    const size_t limit = count <= 0 ? std::strlen(src) : static_cast<size_t>(count);
    size_t i = 0;
    while (i < limit) {
        const unsigned char byte = static_cast<unsigned char>(src[i]);
        dst[i++] = static_cast<WCHAR>(byte);
        if (byte == 0) return;  // the NUL is the terminator
    }
    dst[i] = 0;
}

void NarrowText(char* dst, const WCHAR* src, int32_t count) {
    if (dst == nullptr) return;
    if (src == nullptr) {
        dst[0] = 0;
        return;
    }
    const size_t limit = count <= 0 ? WideLength(src) + 1 : static_cast<size_t>(count);
    size_t i = 0;
    for (; i < limit && src[i] != 0; ++i) dst[i] = static_cast<char>(static_cast<unsigned>(src[i]) & 0xFFu);
    dst[i] = 0;
}

std::string NarrowedText(const WCHAR* text) {
    std::string bytes;
    if (text == nullptr) return bytes;
    for (const WCHAR* p = text; *p != 0; ++p) bytes.push_back(static_cast<char>(static_cast<unsigned>(*p) & 0xFFu));
    return bytes;
}

WideString WidenedText(const char* text) {
    WideString wide;
    if (text == nullptr) return wide;
    for (const char* p = text; *p != 0; ++p) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*p)));
    return wide;
}

const WCHAR* MonthAbbreviation(int month) {
    static const WCHAR* const kMonths[13] = {
        VZ_WIDE("???"), VZ_WIDE("Jan"), VZ_WIDE("Feb"), VZ_WIDE("Mar"), VZ_WIDE("Apr"), VZ_WIDE("May"), VZ_WIDE("Jun"),
        VZ_WIDE("Jul"), VZ_WIDE("Aug"), VZ_WIDE("Sep"), VZ_WIDE("Oct"), VZ_WIDE("Nov"), VZ_WIDE("Dec")};
    return (month >= 1 && month <= 12) ? kMonths[month] : kMonths[0];
}

int32_t FileDateText(const FILETIME* time, WCHAR* dst) {
    FILETIME local = {0, 0};
    WORD date = 0;
    WORD clock = 0;
    if (time != nullptr && HostFileTimeToLocalFileTime(time, &local)) HostFileTimeToDosDateTime(&local, &date, &clock);
    // "   %s/%02ld/%04ld %02ld:%02ld"
    WCHAR* out = dst;
    for (int i = 0; i < 3; ++i) *out++ = ' ';
    for (const WCHAR* m = MonthAbbreviation((date >> 5) & 0x0F); *m != 0; ++m) *out++ = *m;
    *out++ = '/';
    AppendNumber(out, date & 0x1F, 2);
    *out++ = '/';
    AppendNumber(out, ((date >> 9) & 0x7F) + 1980, 4);
    *out++ = ' ';
    AppendNumber(out, (clock >> 11) & 0x1F, 2);
    *out++ = ':';
    AppendNumber(out, (clock >> 5) & 0x3F, 2);
    *out = 0;
    return 0;
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

WCHAR* JoinPath(WCHAR* dst, const WCHAR* a, const WCHAR* b) { return JoinWith(dst, a, b, kHostPathSeparator); }
WCHAR* JoinDevicePath(WCHAR* dst, const WCHAR* a, const WCHAR* b) { return JoinWith(dst, a, b, '\\'); }

size_t WideLength(const WCHAR* text) {
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != 0) ++n;
    return n;
}

WCHAR* WideCopy(WCHAR* dst, const WCHAR* src) {
    size_t i = 0;
    if (src != nullptr)
        for (; src[i] != 0; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

int WideCompareNoCase(const WCHAR* a, const WCHAR* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    for (;; ++a, ++b) {
        const WCHAR x = FoldCase(*a);
        const WCHAR y = FoldCase(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

// Windows takes '/' in paths as well, so a host may use either there too.
bool IsHostPathSeparator(WCHAR c) { return c == '\\' || c == '/'; }

const WCHAR* FindLastPathSeparator(const WCHAR* path) {
    const WCHAR* last = nullptr;
    if (path != nullptr)
        for (const WCHAR* p = path; *p != 0; ++p)
            if (IsHostPathSeparator(*p)) last = p;
    return last;
}

int32_t ReportDeviceProgress(int32_t stage, int32_t done, int32_t total, const WCHAR* name) {
    char narrow[kCallbackNameLimit + 1];
    NarrowText(narrow, name, kCallbackNameLimit);
    return ReportProgress(stage, done, total, narrow);
}

int32_t AskDeviceReplace(const WCHAR* name, int32_t status, const FILETIME* sourceTime,
                         const FILETIME* destinationTime, uint32_t* options) {
    char narrow[kCallbackNameLimit + 1];
    NarrowText(narrow, name, kCallbackNameLimit);
    WCHAR wideDate[kFileDateTextSize];
    char sourceDate[kCallbackDateLimit + 1] = "";
    char destinationDate[kCallbackDateLimit + 1] = "";
    if (sourceTime != nullptr) {
        FileDateText(sourceTime, wideDate);
        NarrowText(sourceDate, wideDate, kCallbackDateLimit);
    }
    if (destinationTime != nullptr) {
        FileDateText(destinationTime, wideDate);
        NarrowText(destinationDate, wideDate, kCallbackDateLimit);
    }
    return AskReplace(narrow, status, sourceDate, destinationDate, options);
}

void DebugOutputLine(const WCHAR* text) { PlatformDebugOutput(text); }
