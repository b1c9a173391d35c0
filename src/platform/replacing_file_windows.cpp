// Whole-or-nothing files on Windows: CreateFileW(CREATE_NEW) beside the
// target, FlushFileBuffers, MoveFileExW(REPLACE_EXISTING | WRITE_THROUGH).
#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/replacing_file.h"
#include "platform/replacing_file_names.h"
#include "platform/stale_temporaries.h"
#include "platform/temporary_registry.h"

namespace vezuved {

namespace {

// The longest path a temporary file is removed by: the wide calls' own limit.
constexpr int kWidePathUnits = 32768;

// The path as the wide calls take it; empty (which no call finds) when it
// does not convert.
std::wstring Wide(const std::string& path, PathEncoding encoding) {
    std::wstring wide;
    WidePathOf(path.c_str(), encoding, wide);
    return wide;
}

// The system's sentence for a Win32 error, without its final period and
// line end.
std::string SystemText(DWORD error) {
    char text[512] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr,
                                        error,
                                        0,
                                        text,
                                        sizeof text,
                                        nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

bool FailSystem(ReplacingFile& replacing, const char* step, DWORD error) {
    replacing.failure = ReplacingFailure(step, replacing.target, SystemText(error));
    return false;
}

}  // namespace

bool OpenReplacing(ReplacingFile& replacing, const char* target) {
    replacing.failure.clear();
    replacing.direct = false;
    replacing.target = target != nullptr ? target : "";
    replacing.destination = replacing.target;
    if (replacing.target.empty()) return FailSystem(replacing, "write", ERROR_PATH_NOT_FOUND);
    std::wstring named;
    if (!WidePathOf(replacing.target.c_str(), replacing.encoding, named))
        return FailSystem(replacing, "write", ERROR_INVALID_NAME);  // no text in its code

    const DWORD attributes = GetFileAttributesW(Wide(replacing.destination, replacing.encoding).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return FailSystem(replacing, "write", ERROR_ACCESS_DENIED);
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return FailSystem(replacing, "write", ERROR_ACCESS_DENIED);
    }
    RemoveStaleTemporariesBeside(replacing.destination, replacing.encoding);
    for (unsigned attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        // Named (and registered for a signal to remove) before it exists,
        // so a file once created is always known and removed.
        replacing.temporary = TemporaryNameBeside(replacing.destination, GetCurrentProcessId(), attempt);
        replacing.registration = RegisterTemporary(replacing.temporary, replacing.encoding);
        const HANDLE handle = CreateFileW(Wide(replacing.temporary, replacing.encoding).c_str(),
                                          GENERIC_READ | GENERIC_WRITE,
                                          0,
                                          nullptr,
                                          CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL,
                                          nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            replacing.temporary.clear();
            ForgetTemporary(replacing.registration);
            replacing.registration = -1;
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            // Not the file's doing: the folder is not writable or missing.
            replacing.failure = FolderFailure(FolderOfPath(replacing.destination), SystemText(error));
            return false;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
        replacing.file = fd >= 0 ? _fdopen(fd, "w+b") : nullptr;
        if (replacing.file == nullptr) {
            const int error = errno;
            if (fd >= 0) {
                _close(fd);
            } else {
                CloseHandle(handle);
            }
            DiscardReplacingFile(replacing, error != 0 ? error : EMFILE);
            return false;
        }
        return true;
    }
    return FailSystem(replacing, "write", ERROR_FILE_EXISTS);
}

bool SyncToDisk(ReplacingFile& replacing) {
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(replacing.file))))) return true;
    return FailSystem(replacing, "write", GetLastError());
}

bool RenameOverTarget(ReplacingFile& replacing) {
    if (!MoveFileExW(Wide(replacing.temporary, replacing.encoding).c_str(),
                     Wide(replacing.destination, replacing.encoding).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = GetLastError();
        DiscardReplacingFile(replacing);
        return FailSystem(replacing, "replace", moveError);
    }
    replacing.temporary.clear();
    ForgetTemporary(replacing.registration);
    replacing.registration = -1;
    return true;
}

void RemoveTemporaryFile(const std::string& path, PathEncoding encoding) noexcept {
    // Converted on the stack: a destructor has no room for a failed
    // allocation. A temporary name is short, in a folder of a path that fit.
    wchar_t wide[kWidePathUnits];
    if (WidePathInto(path.c_str(), encoding, wide, kWidePathUnits) > 0) DeleteFileW(wide);
}

bool PlatformSameFile(const char* first, const char* second, PathEncoding encoding) {
    if (first == nullptr || second == nullptr) return false;
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        const HANDLE handle = CreateFileW(Wide(paths[i], encoding).c_str(),
                                          0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr,
                                          OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const BOOL known = GetFileInformationByHandle(handle, &info[i]);
        CloseHandle(handle);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace vezuved

#endif  // _WIN32
