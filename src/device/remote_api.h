// The handheld's remote API library, loaded afresh by each device operation:
// one typed table of its 31 required entry points and the optional ones, filled by LoadRemoteApi and
// cleared by UnloadRemoteApi.
//
// Windows loads "RAPI.DLL". POSIX loads the library named by the
// environment variable VEZUVED_RAPI_LIBRARY, by default the device emulator
// "librapi-emu.so" beside the module holding this code (libvezuved.so), else
// wherever the dynamic loader finds it.
#pragma once

#include <cstdint>
#include <memory>

#include "device/remote_api_entries.h"

namespace vezuved {

struct RemoteApiTable {
#define VEZUVED_REMOTE_API_FIELD(ret, name, params) PFN_##name name;
    VEZUVED_REMOTE_API_ENTRIES(VEZUVED_REMOTE_API_FIELD)
    VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(VEZUVED_REMOTE_API_FIELD)
#undef VEZUVED_REMOTE_API_FIELD
};

// The table of the loaded library; every entry is null while none is loaded.
// Only LoadRemoteApi fills it and only FreeRemoteApi clears it, so each
// device operation starts and ends with an empty table.
const RemoteApiTable& RemoteApi();

constexpr int32_t rapiErrTimeout = -7;
constexpr int32_t rapiErrInit = -8;
constexpr uint32_t kRapiInitWaitMs = 3000;
constexpr int kRemoteApiEntryCount = 31;

// Loads the library, resolves every entry point and starts the connection.
// 0: connected. -8: CeRapiInitEx refused. -7: the connection did not come up
// within 3000 ms. -1: it came up with a failure, or an entry point is missing
// (a line naming it is printed); a missing optional entry point only
// leaves its slot null. Negative platform error: the library did
// not load. On any failure nothing stays loaded. Also sets
// DeviceSettings().useWideCalls.
// init receives the record used to start the connection (may be null).
int32_t LoadRemoteApi(RAPIINIT* init);

// The two halves of ending a connection: CeRapiUninit (only when started),
// then freeing the library and clearing the table. UnloadRemoteApi does both.
void StopRemoteApi();
void FreeRemoteApi();
void UnloadRemoteApi();
bool RemoteApiLoaded();

// Frees a property buffer that CeReadRecordPropsEx allocated with
// CEDB_ALLOWREALLOC.
void FreeRemoteBuffer(void* buffer);

// Owns such a buffer: freed whichever way its reader leaves.
struct RemoteBufferFree {
    void operator()(void* buffer) const { FreeRemoteBuffer(buffer); }
};
using RemoteBuffer = std::unique_ptr<void, RemoteBufferFree>;

// Reads every property of the record the open database stands at into a
// buffer the remote API allocates, owned by properties from then on; the
// record's id, 0 when none was read.
CEOID ReadRecordProperties(HANDLE database, WORD& count, RemoteBuffer& properties);

// Ends the connection when it goes out of scope, whatever path the caller
// takes out of a device operation.
class RemoteApiSession {
public:
    RemoteApiSession() = default;
    ~RemoteApiSession() { UnloadRemoteApi(); }
    RemoteApiSession(const RemoteApiSession&) = delete;
    RemoteApiSession& operator=(const RemoteApiSession&) = delete;
};

}  // namespace vezuved
