// The PC side of the device operations: UTF-16 paths and search records
// throughout, reached through the wide file calls (or the 8-bit calls on
// systems without them), the two text conversions between UTF-16 and the
// library's 8-bit text, the date text of the ask-before-replace question,
// and the callbacks with narrowed names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/ce_types.h"

// Wide or 8-bit file calls; set by LoadRemoteApi from the platform query.
extern bool g_useWideCalls;

typedef std::basic_string<WCHAR> WideString;

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
void HostSetLastError(DWORD error);

// Time conversions as FileTimeToLocalFileTime and FileTimeToDosDateTime.
BOOL HostFileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL HostFileTimeToDosDateTime(const FILETIME* time, WORD* date, WORD* dosTime);
// As CompareFileTime: -1, 0 or 1 by the full 64-bit values.
int32_t CompareFileTimes(const FILETIME* a, const FILETIME* b);
FILETIME HostCurrentFileTime();

// Each byte becomes one unit of the same value (no sign extension), at most
// count bytes (count <= 0: the source's length), stopping after a NUL; a
// zero unit follows the last unit copied. dst holds count + 1 units.
void WidenText(WCHAR* dst, const char* src, int32_t count);
// Each unit gives its low byte, at most count units (count <= 0: the
// source's length plus one), stopping at a zero unit; a NUL follows the last
// byte copied. dst holds count + 1 bytes. No code-page conversion.
void NarrowText(char* dst, const WCHAR* src, int32_t count);
// The same conversions into owned strings (for printing and building paths).
std::string NarrowedText(const WCHAR* text);
WideString WidenedText(const char* text);

// "Jan" .. "Dec" for months 1..12, "???" for anything else.
const WCHAR* MonthAbbreviation(int month);
// "   Mar/14/2004 09:05": the local time of a FILETIME, always 20 units plus
// the terminator (dst holds at least kFileDateTextSize units). Returns 0.
constexpr size_t kFileDateTextSize = 21;
int32_t FileDateText(const FILETIME* time, WCHAR* dst);

// Gives the destination the source's last-write time as its creation, access
// and write times. Silent: an unopenable source or destination changes nothing.
void CopyFileTimes(LPCWSTR source, LPCWSTR destination);

// dst = a, then (when b is given) a separator and b. JoinPath joins PC paths
// with the platform's separator ('\' on Windows, '/' on POSIX);
// JoinDevicePath always uses '\', the device's. dst must hold the result.
WCHAR* JoinPath(WCHAR* dst, const WCHAR* a, const WCHAR* b);
WCHAR* JoinDevicePath(WCHAR* dst, const WCHAR* a, const WCHAR* b);
extern const WCHAR kHostPathSeparator;

// Small UTF-16 text helpers. Separators: '\' and '/', on every platform.
size_t WideLength(const WCHAR* text);
WCHAR* WideCopy(WCHAR* dst, const WCHAR* src);
// Compares ignoring the case of ASCII letters, as the device's name lookup.
int WideCompareNoCase(const WCHAR* a, const WCHAR* b);
bool IsHostPathSeparator(WCHAR c);
// The last separator of a path, or null when it has none.
const WCHAR* FindLastPathSeparator(const WCHAR* path);

// The host's callbacks with UTF-16 names: the name is narrowed to at most
// 520 characters, the two times become FileDateText narrowed to at most 40
// characters (source time first). A null name or time gives an empty text.
constexpr int32_t kCallbackNameLimit = 520;
constexpr int32_t kCallbackDateLimit = 40;
int32_t ReportDeviceProgress(int32_t stage, int32_t done, int32_t total, const WCHAR* name);
int32_t AskDeviceReplace(const WCHAR* name, int32_t status, const FILETIME* sourceTime,
                         const FILETIME* destinationTime, uint32_t* options);

// One debugger line (the device record-write failure goes there).
void DebugOutputLine(const WCHAR* text);

// Owners: close the file or search when they go out of scope. An invalid
// handle (INVALID_HANDLE_VALUE or null) is never closed.
class HostFile {
public:
    HostFile() = default;
    explicit HostFile(HANDLE handle) : handle_(handle) {}
    ~HostFile() { Close(); }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;
    HostFile(HostFile&& other) noexcept : handle_(other.Release()) {}
    HostFile& operator=(HostFile&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    explicit operator bool() const { return IsValid(); }
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (IsValid()) HostCloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class HostSearch {
public:
    HostSearch() = default;
    explicit HostSearch(HANDLE handle) : handle_(handle) {}
    ~HostSearch() { Close(); }
    HostSearch(const HostSearch&) = delete;
    HostSearch& operator=(const HostSearch&) = delete;
    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    explicit operator bool() const { return IsValid(); }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (IsValid()) HostFindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
