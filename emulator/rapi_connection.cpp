// The emulator's connection: starting and ending it as the environment
// says, the event CeRapiInitEx hands out, the factory-fresh device, and
// the table of handles the other entry points hand out.
#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

#include "emulator_state.h"

namespace emu {

std::mutex g_mutex;
Device g_device;

namespace {

void CloseInitEvent(Device& d) {
#if defined(_WIN32)
    if (d.initEvent != nullptr) CloseHandle(d.initEvent);
    d.initEvent = nullptr;
#else
    for (int& fd : d.eventPipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
#endif
}

// The event CeRapiInitEx hands out: a manual-reset event on Windows, the
// read end of a pipe elsewhere (platform/system.h waits on either).
bool OpenInitEvent(Device& d) {
#if defined(_WIN32)
    d.initEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return d.initEvent != nullptr;
#else
    if (::pipe2(d.eventPipe, O_CLOEXEC) != 0) return false;
    // With standard input, output or error closed the pipe would take their
    // descriptor, and the host's reads of its own input would meet it.
    for (int& fd : d.eventPipe) {
        if (fd > STDERR_FILENO) continue;
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        ::close(fd);
        fd = moved;
    }
    if (d.eventPipe[0] >= 0 && d.eventPipe[1] >= 0) return true;
    CloseInitEvent(d);
    return false;
#endif
}

HANDLE InitEventHandle(const Device& d) {
#if defined(_WIN32)
    return d.initEvent;
#else
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(d.eventPipe[0]));
#endif
}

bool SignalInitEvent(Device& d) {
#if defined(_WIN32)
    return SetEvent(d.initEvent) != FALSE;
#else
    const char up = 1;
    return ::write(d.eventPipe[1], &up, 1) == 1;
#endif
}

// An empty root is a handheld as it leaves the factory: it has its
// "\My Documents" folder. Anything in the root is left as it is.
bool MakeFreshDevice(const std::string& root) {
    WideText pattern;
    for (char c : root) pattern.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
    const WideText folder = pattern;
    pattern += VZ_WIDE("\\*");
    HostFindData entry;
    HANDLE search = PlatformFindFirstFile(pattern.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        const bool empty = !NextVisible(search, entry);
        PlatformFindClose(search);
        if (!empty) return true;
    }
    return PlatformCreateDirectory((folder + VZ_WIDE("\\My Documents")).c_str()) != FALSE;
}

}  // namespace

HANDLE NewHandle(Object object) {
    const uintptr_t id = g_device.nextHandle;
    g_device.nextHandle += 4;
    g_device.objects.emplace(id, std::move(object));
    return reinterpret_cast<HANDLE>(id);
}

Object* FindObject(HANDLE handle, Object::Kind kind) {
    const auto it = g_device.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_device.objects.end() || it->second.kind != kind) {
        g_device.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return &it->second;
}

// A file or a search holds a handle of the host's, open from its making.
void ReleaseObject(Object& object) {
    if (object.kind == Object::Kind::File) PlatformCloseHandle(object.file.host);
    if (object.kind == Object::Kind::Search) PlatformFindClose(object.search.host);
}

namespace {

void CloseEverything() {
    for (auto& entry : g_device.objects) ReleaseObject(entry.second);
    g_device.objects.clear();
    g_device.volumes.clear();
    CloseInitEvent(g_device);
}

}  // namespace

}  // namespace emu

using namespace emu;

EMU_EXPORT HRESULT CeRapiInitEx(RAPIINIT* init) {
    std::lock_guard<std::mutex> lock(g_mutex);
    CloseEverything();
    Device& d = g_device;
    d.connected = false;
    d.calls.clear();
    d.faults = ParseFaults(std::getenv("VEZUVED_DEVICE_FAULTS"));
    const char* log = std::getenv("VEZUVED_DEVICE_LOG");
    d.logPath = log != nullptr ? log : "";
    const char* root = std::getenv("VEZUVED_DEVICE");
    d.root = root != nullptr ? root : "";
    while (d.root.size() > 1 && d.root.back() == '/') d.root.pop_back();
    const char* stateText = std::getenv("VEZUVED_DEVICE_STATE");
    const std::string state = stateText != nullptr ? stateText : "";

    HRESULT result = 0;
    DWORD faultError = 0;
    if (FaultFires("CeRapiInitEx", faultError)) {
        d.lastError = faultError;
        result = E_FAIL;
    } else if (init == nullptr || init->cbSize < 12) {
        d.lastError = ERROR_INVALID_PARAMETER;
        result = E_FAIL;
    } else if (d.root.empty() || KindOf(d.root) != HostKind::Folder) {
        d.lastError = ERROR_NOT_READY;
        result = E_FAIL;
    } else if (!MakeFreshDevice(d.root)) {
        d.lastError = ERROR_ACCESS_DENIED;
        result = E_FAIL;
    } else if (!OpenInitEvent(d)) {
        d.lastError = ERROR_NOT_ENOUGH_MEMORY;
        result = E_FAIL;
    } else {
        init->heRapiInit = InitEventHandle(d);
        init->hrRapiInit = state == "fail" ? E_FAIL : 0;
        if (state != "timeout" && !SignalInitEvent(d)) init->hrRapiInit = E_FAIL;
        d.connected = state.empty();
        d.lastError = 0;
    }
    LogLine("CeRapiInitEx(" + Arg(static_cast<const void*>(init)) + ") -> " + std::to_string(result) +
            " [error " + std::to_string(d.lastError) + "]");
    return result;
}

EMU_EXPORT HRESULT CeRapiUninit(void) {
    std::lock_guard<std::mutex> lock(g_mutex);
    DWORD faultError = 0;
    HRESULT result = 0;
    if (FaultFires("CeRapiUninit", faultError)) {
        g_device.lastError = faultError;
        result = E_FAIL;
    } else {
        CloseEverything();
        g_device.connected = false;
    }
    LogLine("CeRapiUninit() -> " + std::to_string(result) + " [error " + std::to_string(g_device.lastError) +
            "]");
    return result;
}

EMU_EXPORT DWORD CeGetLastError(void) {
    std::lock_guard<std::mutex> lock(g_mutex);
    DWORD faultError = 0;
    const DWORD result = FaultFires("CeGetLastError", faultError) ? faultError : g_device.lastError;
    LogLine("CeGetLastError() -> " + std::to_string(result));
    return result;
}

EMU_EXPORT BOOL CeGetVersionEx(LPCEOSVERSIONINFO info) {
    return Call<BOOL>("CeGetVersionEx", FALSE, Args(static_cast<const void*>(info)), [&]() -> BOOL {
        if (info == nullptr || info->dwOSVersionInfoSize < sizeof(CEOSVERSIONINFO)) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        info->dwMajorVersion = 3;
        info->dwMinorVersion = 0;
        info->dwBuildNumber = 11171;
        info->dwPlatformId = 3;  // Windows CE
        info->szCSDVersion[0] = 0;
        return TRUE;
    });
}
