// The device emulator: the remote API's entry points over a model of the
// handheld. The device's file system is the PC folder named by
// VEZUVED_DEVICE; its database volumes are files in it (volume_file.h).
//
// Environment, read when a connection starts (CeRapiInitEx):
//   VEZUVED_DEVICE        the device's root folder; without an existing
//                         folder CeRapiInitEx fails.
//   VEZUVED_DEVICE_STATE  "timeout": the connection never comes up;
//                         "fail": it comes up with E_FAIL.
//   VEZUVED_DEVICE_FAULTS comma-separated EntryPoint[@N][=error]: the Nth call
//                         of that entry point in this connection (every call
//                         without @N) fails with that error (default 31)
//                         without doing anything (CeCloseHandle included:
//                         a failed close of a written file fails the copy).
//                         CeRapiInitEx counts as the
//                         connection's first call of its own. "=short"
//                         instead of an error makes CeWriteFile write, and
//                         CeReadFile read, half the bytes asked for and
//                         report success; other entry points ignore it.
//                         "=lost" makes the call fail as the connection
//                         drops: every later call of the connection fails
//                         (ERROR_NOT_READY) until the next CeRapiInitEx, as
//                         when the cable is pulled. "=slow" makes the
//                         call take three seconds longer, then do its work,
//                         as over a link that stalls.
//   VEZUVED_DEVICE_LOG    file to which one line per call is appended.
//
// A root folder that is empty when a connection starts is a factory-fresh
// handheld: "\My Documents" is made in it.
//
// Memory for CEDB_ALLOWREALLOC comes from realloc() (LocalAlloc on
// Windows); callers free it with the library's FreeRemoteBuffer.
//
// This header is the emulator's own: the model of the connected handheld
// that the entry points of every section share (connection, files,
// volumes, databases), the call log and the faults.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device/remote_api_entries.h"
#include "platform/host_file.h"
#include "volume_file.h"

using namespace vezuved;

#if defined(_WIN32)
#define EMU_EXPORT extern "C" __declspec(dllexport)
#else
#define EMU_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Every export is declared from the loader's own list first, so a definition
// whose signature drifts from it does not compile.
#define EMU_DECLARE(ret, name, params) EMU_EXPORT ret VZ_STDCALL name params;
VEZUVED_REMOTE_API_ENTRIES(EMU_DECLARE)
VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(EMU_DECLARE)
#undef EMU_DECLARE

namespace emu {

constexpr DWORD kDefaultFaultError = ERROR_GEN_FAILURE;

struct Fault {
    std::string entry;
    uint32_t nth = 0;  // 0: every call
    DWORD error = kDefaultFaultError;
    bool shortTransfer = false;  // the call succeeds with half the bytes
    bool lost = false;           // the connection drops with this call
    bool slow = false;           // the call stalls, then succeeds
};

struct MountedVolume {
    CEGUID guid{};
    std::string hostPath;
    Volume data;
    int mounts = 0;
};

struct OpenFile {
    HANDLE host = INVALID_HANDLE_VALUE;
};
struct FileSearch {
    HANDLE host = INVALID_HANDLE_VALUE;
};
struct DatabaseEnum {
    DWORD volume = 0;  // Data1 of the volume's GUID
    std::vector<CEOID> oids;
    size_t next = 0;
};
struct OpenDatabase {
    DWORD volume = 0;
    CEOID oid = 0;
    CEPROPID sortProperty = 0;  // 0: the order records were created in
    DWORD sortFlags = 0;
    DWORD flags = 0;
    CEOID current = 0;  // 0: past the last record
};

struct Object {
    enum class Kind { File, Search, Enum, Database } kind;
    OpenFile file;
    FileSearch search;
    DatabaseEnum dbEnum;
    OpenDatabase db;
};

struct Device {
    bool connected = false;
    std::string root;
    std::string logPath;
    std::vector<Fault> faults;
    std::map<std::string, uint32_t> calls;
    std::map<uintptr_t, Object> objects;
    uintptr_t nextHandle = 0x1000;
    std::map<DWORD, MountedVolume> volumes;
    DWORD nextVolume = 1;
#if defined(_WIN32)
    HANDLE initEvent = nullptr;
#else
    int eventPipe[2] = {-1, -1};
#endif
    DWORD lastError = 0;
    bool shortCall = false;  // the call in hand moves half the bytes asked for
};

// One lock for every entry point: the model is changed by one call at a time.
extern std::mutex g_mutex;
extern Device g_device;

// ---------------------------------------------------------------------------
// Connection (rapi_connection.cpp): the handles it hands out.

HANDLE NewHandle(Object object);
// The object of a handle of that kind, or null (error set).
Object* FindObject(HANDLE handle, Object::Kind kind);
// Closes the PC file or search an object holds.
void ReleaseObject(Object& object);

// ---------------------------------------------------------------------------
// Call log (call_log.cpp): one line per call, arguments as the caller gave them.

std::string Hex(uint64_t value);
std::string Arg(const WCHAR* text);
std::string Arg(WCHAR* text);
std::string Arg(DWORD value);
std::string Arg(WORD value);
std::string Arg(const void* pointer);
std::string Arg(const CEGUID* guid);
std::string Arg(CEGUID* guid);
std::string Args();
template <typename First, typename... Rest>
std::string Args(const First& first, const Rest&... rest) {
    std::string text = Arg(first);
    if (sizeof...(rest) > 0) text += ", " + Args(rest...);
    return text;
}
std::string Result(HANDLE value);
std::string Result(int32_t value);
std::string Result(DWORD value);
// Appends the line to the VEZUVED_DEVICE_LOG file, when one is named.
void LogLine(const std::string& line);

// ---------------------------------------------------------------------------
// Faults (faults.cpp)

// The faults of VEZUVED_DEVICE_FAULTS; malformed items are passed over.
std::vector<Fault> ParseFaults(const char* text);
// Counts the call; true (with the error set) when a fault fires for it. A
// short-transfer fault lets the call go on with shortCall set instead.
bool FaultFires(const char* entry, DWORD& error);
// The bytes a transfer call moves: half of those asked for under a
// short-transfer fault.
DWORD TransferSize(DWORD asked);

// One entry point call: fault check, connection check, the body with every
// exception stopped here, the log line.
template <typename R, typename Body>
R Call(const char* entry, R failure, const std::string& args, Body body) {
    std::lock_guard<std::mutex> lock(g_mutex);
    R result = failure;
    DWORD faultError = 0;
    const bool fault = FaultFires(entry, faultError);
    if (fault) {
        g_device.lastError = faultError;
    } else if (!g_device.connected) {
        g_device.lastError = ERROR_NOT_READY;
    } else {
        try {
            result = body();
        } catch (...) {
            g_device.lastError = ERROR_NOT_ENOUGH_MEMORY;
            result = failure;
        }
    }
    LogLine(std::string(entry) + "(" + args + ") -> " + Result(result) + (fault ? " [fault " : " [error ") +
            std::to_string(g_device.lastError) + "]");
#if defined(_WIN32)
    // The remote API on Windows also leaves a failure's error in the
    // caller's thread, where the library reads it.
    if (fault || result == failure) SetLastError(g_device.lastError);
#endif
    return result;
}

// ---------------------------------------------------------------------------
// Files (rapi_files.cpp): the device's file system is a PC folder.

enum class HostKind { None, File, Folder };
HostKind KindOf(const std::string& path);
// The byte path of a host path, for the volume files' C streams.
std::string ResolvedHostPath(const WCHAR* path);
// The PC path (UTF-16, for the platform layer) of a device path; false for
// paths that would leave the device's root.
bool HostPath(const WCHAR* devicePath, WideText& host);
bool SameHostFile(const std::string& a, const std::string& b);
// Moves a search past "." and ".." and the volume files being written.
bool NextVisible(HANDLE host, HostFindData& found);

// ---------------------------------------------------------------------------
// Volumes (rapi_volumes.cpp)

// The mounted volume of a GUID, or null (error set).
MountedVolume* FindVolume(const CEGUID* guid);
Database* FindDatabase(MountedVolume& volume, CEOID oid);
int CompareText(const WideText& a, const WideText& b, bool ignoreCase);
// The bytes a property's text or blob takes in a caller's buffer.
size_t PropertyDataSize(const Property& prop);

// Changes the volume and writes it through; the change is undone when the
// file cannot be written.
template <typename Change>
bool Commit(MountedVolume& volume, Change change) {
    Volume before = volume.data;
    if (!change(volume.data)) return false;
    const DWORD error = emu::SaveVolumeFile(volume.hostPath, volume.data);
    if (error != ERROR_SUCCESS) {
        volume.data = std::move(before);
        g_device.lastError = error;
        return false;
    }
    return true;
}

}  // namespace emu
