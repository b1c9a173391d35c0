#include "device/remote_api.h"
#include "base/diag.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "device/host_files.h"
#include "platform/dynamic_library.h"
#include "platform/system.h"

RemoteApiTable g_remoteApi = {};

namespace {

DynamicLibrary g_library;
bool g_started = false;

struct EntryName {
    const char* name;
    size_t offset;  // of its slot in RemoteApiTable
};

// Data pointers and function pointers share one size on every platform the
// library builds for; each slot is filled by copying the resolved address.
static_assert(sizeof(void*) == sizeof(PFN_CeRapiInitEx), "function pointers fit a data pointer");

const EntryName kEntries[] = {
#define VEZUVED_REMOTE_API_NAME(ret, name, params) {#name, offsetof(RemoteApiTable, name)},
    VEZUVED_REMOTE_API_ENTRIES(VEZUVED_REMOTE_API_NAME)
};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == kRemoteApiEntryCount, "31 entry points");

const EntryName kOptionalEntries[] = {
    VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(VEZUVED_REMOTE_API_NAME)
};
#undef VEZUVED_REMOTE_API_NAME

std::string LibraryPath() {
#if defined(_WIN32)
    return "RAPI.DLL";
#else
    const char* chosen = std::getenv("VEZUVED_RAPI_LIBRARY");
    if (chosen != nullptr && chosen[0] != 0) return chosen;
    const std::string folder = ThisModuleFolder();
    if (!folder.empty()) {
        const std::string beside = folder + "/librapi-emu.so";
        if (FILE* probe = std::fopen(beside.c_str(), "rb")) {
            std::fclose(probe);
            return beside;
        }
    }
    return "librapi-emu.so";
#endif
}

void ClearTable() { g_remoteApi = RemoteApiTable{}; }

void FillSlot(const EntryName& entry, void* address) {
    std::memcpy(reinterpret_cast<char*>(&g_remoteApi) + entry.offset, &address, sizeof(address));
}

}  // namespace

int32_t LoadRemoteApi(RAPIINIT* init) {
    UnloadRemoteApi();
    g_useWideCalls = PlatformHasWideCalls();
    const DWORD loadError = g_library.Open(LibraryPath().c_str(), g_useWideCalls);
    if (loadError != 0) return -static_cast<int32_t>(loadError);

    for (const EntryName& entry : kEntries) {
        void* address = g_library.Symbol(entry.name);
        if (address == nullptr) {
            DiagPrint("Remote API entry point missing: %s\n", entry.name);
            FreeRemoteApi();
            return -1;
        }
        FillSlot(entry, address);
    }
    for (const EntryName& entry : kOptionalEntries) FillSlot(entry, g_library.Symbol(entry.name));

    RAPIINIT local;
    RAPIINIT* record = init != nullptr ? init : &local;
    record->cbSize = 12;  // the 32-bit record's size, whatever this build's layout
    record->heRapiInit = nullptr;
    record->hrRapiInit = 0;
    if (g_remoteApi.CeRapiInitEx(record) != 0) {
        FreeRemoteApi();
        return rapiErrInit;
    }
    g_started = true;
    const DWORD waited = PlatformWaitForEvent(record->heRapiInit, kRapiInitWaitMs);
    if (waited == WAIT_OBJECT_0 && record->hrRapiInit >= 0) return 0;
    UnloadRemoteApi();
    return waited == WAIT_TIMEOUT ? rapiErrTimeout : -1;
}

void StopRemoteApi() {
    if (g_started && g_remoteApi.CeRapiUninit != nullptr) g_remoteApi.CeRapiUninit();
    g_started = false;
}

void FreeRemoteApi() {
    g_started = false;
    ClearTable();
    g_library.Close();
}

void UnloadRemoteApi() {
    StopRemoteApi();
    FreeRemoteApi();
}

bool RemoteApiLoaded() { return g_library.IsOpen(); }

void FreeRemoteBuffer(void* buffer) { PlatformFreeRemoteBuffer(buffer); }
