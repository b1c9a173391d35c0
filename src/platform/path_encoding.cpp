// The code-page conversions of paths: the OS's own, so a path means on
// disk what it means to every other program of the system.
#include "platform/path_encoding.h"

#if defined(_WIN32)

#include <windows.h>

namespace vezuved {

namespace {

UINT CodePage(PathEncoding encoding) { return encoding == PathEncoding::Utf8 ? CP_UTF8 : CP_ACP; }

// Broken UTF-8 is refused rather than read as U+FFFD: the file it would
// name is not the one the caller meant. The ANSI code page takes every
// byte, as the 8-bit calls always did.
DWORD ToWideFlags(PathEncoding encoding) { return encoding == PathEncoding::Utf8 ? MB_ERR_INVALID_CHARS : 0; }

}  // namespace

bool WidePathOf(const char* path, PathEncoding encoding, std::wstring& wide) {
    wide.clear();
    if (path == nullptr || *path == '\0') return true;
    const int units = MultiByteToWideChar(CodePage(encoding), ToWideFlags(encoding), path, -1, nullptr, 0);
    if (units <= 0) return false;
    wide.resize(static_cast<size_t>(units));
    if (MultiByteToWideChar(CodePage(encoding), ToWideFlags(encoding), path, -1, &wide[0], units) != units) {
        wide.clear();
        return false;
    }
    wide.resize(static_cast<size_t>(units) - 1);  // the terminator
    return true;
}

int WidePathInto(const char* path, PathEncoding encoding, wchar_t* buffer, int capacity) noexcept {
    if (path == nullptr || buffer == nullptr || capacity <= 0) return 0;
    return MultiByteToWideChar(CodePage(encoding), ToWideFlags(encoding), path, -1, buffer, capacity);
}

bool NarrowPathOf(const wchar_t* wide, size_t length, PathEncoding encoding, std::string& path) {
    path.clear();
    if (wide == nullptr || length == 0) return true;
    const int count = static_cast<int>(length);
    BOOL lost = FALSE;
    // UTF-8 takes no "default character" arguments; the ANSI code page must
    // say when it had to put one (or a look-alike: no best fit) in.
    BOOL* lostFlag = encoding == PathEncoding::Utf8 ? nullptr : &lost;
    const DWORD flags = encoding == PathEncoding::Utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int bytes =
        WideCharToMultiByte(CodePage(encoding), flags, wide, count, nullptr, 0, nullptr, lostFlag);
    if (bytes <= 0 || lost) return false;
    path.resize(static_cast<size_t>(bytes));
    if (WideCharToMultiByte(CodePage(encoding), flags, wide, count, &path[0], bytes, nullptr, lostFlag) !=
            bytes ||
        lost) {
        path.clear();
        return false;
    }
    return true;
}

}  // namespace vezuved

#endif  // _WIN32
