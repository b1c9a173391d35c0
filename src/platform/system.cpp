#include "platform/system.h"

#include <cstdlib>

#if defined(_WIN32)
namespace vezuved {

bool PlatformHasWideCalls() {
    // GetVersionExA with the 148-byte record; platform id 2 is NT.
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    static_assert(sizeof(OSVERSIONINFOA) == 148, "version record size");
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    if (!GetVersionExA(&version)) return true;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

DWORD PlatformWaitForEvent(HANDLE event, DWORD milliseconds) {
    return WaitForSingleObject(event, milliseconds);
}

void PlatformDebugOutput(const WCHAR* text) { OutputDebugStringW(text); }

void PlatformFreeRemoteBuffer(void* buffer) {
    if (buffer != nullptr) LocalFree(buffer);
}

bool PlatformProcessIsGone(unsigned long id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process != nullptr) {
        // A process that has ended but is still held open by someone.
        const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended;
    }
    return GetLastError() == ERROR_INVALID_PARAMETER;
}

}  // namespace vezuved
#else  // POSIX

#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <string>
namespace vezuved {

bool PlatformHasWideCalls() { return true; }

DWORD PlatformWaitForEvent(HANDLE event, DWORD milliseconds) {
    const intptr_t fd = reinterpret_cast<intptr_t>(event);
    if (fd < 0 || fd > 0x7FFFFFFF) return WAIT_FAILED;
    struct pollfd wait = {};  // revents is poll's to fill
    wait.fd = static_cast<int>(fd);
    wait.events = POLLIN;
    const int timeout = milliseconds > 0x7FFFFFFFu ? -1 : static_cast<int>(milliseconds);
    for (;;) {
        const int result = ::poll(&wait, 1, timeout);
        if (result < 0 && errno == EINTR) continue;
        if (result < 0 || (wait.revents & POLLNVAL) != 0) return WAIT_FAILED;
        return result == 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0;
    }
}

void PlatformDebugOutput(const WCHAR* text) {
    std::string bytes;
    for (const WCHAR* p = text; p != nullptr && *p != 0; ++p) bytes.push_back(static_cast<char>(*p & 0xFF));
    std::fputs(bytes.c_str(), stderr);
}

void PlatformFreeRemoteBuffer(void* buffer) { std::free(buffer); }

bool PlatformProcessIsGone(unsigned long id) {
    if (id == 0 || id > 0x7FFFFFFFul) return false;
    return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

}  // namespace vezuved
#endif
