#include "device/remote_api.h"
#include "base/diag.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/dynamic_library.h"
#include "platform/system.h"
#include "state/device_state.h"

namespace vezuved {

namespace {

RemoteApiTable g_table = {};
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
    VEZUVED_REMOTE_API_ENTRIES(VEZUVED_REMOTE_API_NAME)};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == kRemoteApiEntryCount, "31 entry points");

const EntryName kOptionalEntries[] = {VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(VEZUVED_REMOTE_API_NAME)};
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

void ClearTable() { g_table = RemoteApiTable{}; }

void FillSlot(const EntryName& entry, void* address) {
    std::memcpy(reinterpret_cast<char*>(&g_table) + entry.offset, &address, sizeof(address));
}

}  // namespace

const RemoteApiTable& RemoteApi() { return g_table; }

int32_t LoadRemoteApi(RAPIINIT* init) {
    UnloadRemoteApi();
    DeviceSettings().useWideCalls = PlatformHasWideCalls();
    const DWORD loadError = g_library.Open(LibraryPath().c_str(), DeviceSettings().useWideCalls);
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
    if (g_table.CeRapiInitEx(record) != 0) {
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
    if (g_started && g_table.CeRapiUninit != nullptr) g_table.CeRapiUninit();
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

CEOID ReadRecordProperties(HANDLE database, WORD& count, RemoteBuffer& properties) {
    LPBYTE buffer = nullptr;
    DWORD size = 0;
    const CEOID record = RemoteApi().CeReadRecordPropsEx(
        database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr);
    properties.reset(buffer);
    return record;
}

}  // namespace vezuved
