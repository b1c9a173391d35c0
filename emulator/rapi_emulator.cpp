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
//                         without doing anything. CeRapiInitEx counts as the
//                         connection's first call of its own. "=short"
//                         instead of an error makes CeWriteFile write, and
//                         CeReadFile read, half the bytes asked for and
//                         report success; other entry points ignore it.
//   VEZUVED_DEVICE_LOG    file to which one line per call is appended.
//
// A root folder that is empty when a connection starts is a factory-fresh
// handheld: "\My Documents" is made in it.
//
// Memory for CEDB_ALLOWREALLOC comes from realloc() (LocalAlloc on
// Windows); callers free it with the library's FreeRemoteBuffer.
#if !defined(_WIN32)
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/remote_api_entries.h"
#include "platform/host_file.h"
#include "volume_file.h"

#if defined(_WIN32)
#define EMU_EXPORT extern "C" __declspec(dllexport)
#define strcasecmp _stricmp
#else
#define EMU_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Every export is declared from the loader's own list first, so a definition
// whose signature drifts from it does not compile.
#define EMU_DECLARE(ret, name, params) EMU_EXPORT ret VZ_STDCALL name params;
VEZUVED_REMOTE_API_ENTRIES(EMU_DECLARE)
VEZUVED_REMOTE_API_OPTIONAL_ENTRIES(EMU_DECLARE)
#undef EMU_DECLARE

namespace {

using emu::Database;
using emu::Property;
using emu::Record;
using emu::Volume;

constexpr DWORD kDefaultFaultError = ERROR_GEN_FAILURE;
constexpr DWORD kVolumeGuidTag = 0x44455A56;  // "VZED"
#if defined(_WIN32)
constexpr const char* kHostSeparators = "\\/";
#else
constexpr const char* kHostSeparators = "/";
#endif

struct Fault {
    std::string entry;
    uint32_t nth = 0;  // 0: every call
    DWORD error = kDefaultFaultError;
    bool shortTransfer = false;  // the call succeeds with half the bytes
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

std::mutex g_mutex;
Device g_device;

// ---------------------------------------------------------------------------
// Host services the platform file layer does not offer

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

enum class HostKind { None, File, Folder };

HostKind KindOf(const std::string& path) {
#if defined(_WIN32)
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return HostKind::None;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? HostKind::Folder : HostKind::File;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return HostKind::None;
    return S_ISDIR(st.st_mode) ? HostKind::Folder : HostKind::File;
#endif
}

// The byte path of a host path, for the volume files' C streams. Windows
// finds names without regard to case itself; the units' low bytes are the
// bytes the device layer widened.
std::string ResolvedHostPath(const WCHAR* path) {
#if defined(_WIN32)
    std::string bytes;
    for (const WCHAR* p = path; *p != 0; ++p) bytes.push_back(static_cast<char>(*p & 0xFF));
    return bytes;
#else
    return PlatformResolvePath(path);
#endif
}

// A property buffer grown for the caller, who frees it with the library's
// FreeRemoteBuffer: LocalFree on Windows, free() elsewhere.
void* GrowCallerBuffer(void* block, size_t size) {
#if defined(_WIN32)
    return block == nullptr ? LocalAlloc(LMEM_FIXED, size) : LocalReAlloc(block, size, LMEM_MOVEABLE);
#else
    return std::realloc(block, size);
#endif
}

// ---------------------------------------------------------------------------
// Call log

std::string Quote(const WCHAR* text) {
    if (text == nullptr) return "null";
    std::string out = "\"";
    for (const WCHAR* p = text; *p != 0; ++p) out.push_back(static_cast<char>(*p & 0xFF));
    return out + "\"";
}

std::string Hex(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof(buffer), "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

std::string Arg(const WCHAR* text) { return Quote(text); }
std::string Arg(WCHAR* text) { return Quote(text); }
std::string Arg(DWORD value) { return std::to_string(value); }
std::string Arg(WORD value) { return std::to_string(value); }
std::string Arg(const void* pointer) {
    if (pointer == nullptr) return "null";
    if (pointer == INVALID_HANDLE_VALUE) return "INVALID_HANDLE_VALUE";
    return Hex(reinterpret_cast<uintptr_t>(pointer));
}
std::string Arg(const CEGUID* guid) { return guid == nullptr ? "null" : "guid:" + std::to_string(guid->Data1); }
std::string Arg(CEGUID* guid) { return Arg(static_cast<const CEGUID*>(guid)); }

std::string Args() { return std::string(); }
template <typename First, typename... Rest>
std::string Args(const First& first, const Rest&... rest) {
    std::string text = Arg(first);
    if (sizeof...(rest) > 0) text += ", " + Args(rest...);
    return text;
}

std::string Result(HANDLE value) { return Arg(static_cast<const void*>(value)); }
std::string Result(int32_t value) { return std::to_string(value); }
std::string Result(DWORD value) { return std::to_string(value); }

void LogLine(const std::string& line) {
    if (g_device.logPath.empty()) return;
    if (std::FILE* log = std::fopen(g_device.logPath.c_str(), "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

// ---------------------------------------------------------------------------
// Faults

std::vector<Fault> ParseFaults(const char* text) {
    std::vector<Fault> faults;
    if (text == nullptr) return faults;
    std::string all = text;
    size_t pos = 0;
    while (pos <= all.size()) {
        size_t comma = all.find(',', pos);
        if (comma == std::string::npos) comma = all.size();
        std::string item = all.substr(pos, comma - pos);
        pos = comma + 1;
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty()) continue;
        Fault fault;
        const size_t equals = item.find('=');
        if (equals != std::string::npos && item.compare(equals + 1, std::string::npos, "short") == 0) {
            fault.shortTransfer = true;
            item.resize(equals);
        } else if (equals != std::string::npos) {
            char* end = nullptr;
            fault.error = static_cast<DWORD>(std::strtoul(item.c_str() + equals + 1, &end, 0));
            if (end == item.c_str() + equals + 1) continue;
            item.resize(equals);
        }
        const size_t at = item.find('@');
        if (at != std::string::npos) {
            char* end = nullptr;
            fault.nth = static_cast<uint32_t>(std::strtoul(item.c_str() + at + 1, &end, 10));
            if (end == item.c_str() + at + 1 || fault.nth == 0) continue;
            item.resize(at);
        }
        fault.entry = item;
        faults.push_back(fault);
    }
    return faults;
}

// Counts the call; true (with the error set) when a fault fires for it. A
// short-transfer fault lets the call go on with shortCall set instead.
bool FaultFires(const char* entry, DWORD& error) {
    const uint32_t call = ++g_device.calls[entry];
    g_device.shortCall = false;
    for (const Fault& fault : g_device.faults) {
        if (strcasecmp(fault.entry.c_str(), entry) != 0) continue;
        if (fault.nth == 0 || fault.nth == call) {
            if (fault.shortTransfer) {
                g_device.shortCall = true;
                continue;
            }
            error = fault.error;
            return true;
        }
    }
    return false;
}

// The bytes a transfer call moves: half of those asked for under a
// short-transfer fault.
DWORD TransferSize(DWORD asked) { return g_device.shortCall ? asked / 2 : asked; }

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
    LogLine(std::string(entry) + "(" + args + ") -> " + Result(result) +
            (fault ? " [fault " : " [error ") + std::to_string(g_device.lastError) + "]");
#if defined(_WIN32)
    // The remote API on Windows also leaves a failure's error in the
    // caller's thread, where the library reads it.
    if (fault || result == failure) SetLastError(g_device.lastError);
#endif
    return result;
}

// ---------------------------------------------------------------------------
// Handles

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

void ReleaseObject(Object& object) {
    if (object.kind == Object::Kind::File && object.file.host != INVALID_HANDLE_VALUE)
        PlatformCloseHandle(object.file.host);
    if (object.kind == Object::Kind::Search && object.search.host != INVALID_HANDLE_VALUE)
        PlatformFindClose(object.search.host);
}

void CloseEverything() {
    for (auto& entry : g_device.objects) ReleaseObject(entry.second);
    g_device.objects.clear();
    g_device.volumes.clear();
    CloseInitEvent(g_device);
}

// ---------------------------------------------------------------------------
// Device paths

// The PC path (UTF-16, for the platform layer) of a device path; false for
// paths that would leave the device's root.
bool HostPath(const WCHAR* devicePath, WideText& host) {
    if (devicePath == nullptr || devicePath[0] == 0) {
        g_device.lastError = ERROR_PATH_NOT_FOUND;
        return false;
    }
    WideText path(devicePath);
    for (WCHAR& c : path)
        if (c == VZ_WIDE('/')) c = VZ_WIDE('\\');
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find(VZ_WIDE('\\'), pos);
        if (end == WideText::npos) end = path.size();
        if (path.compare(pos, end - pos, VZ_WIDE("..")) == 0) {
            g_device.lastError = ERROR_INVALID_NAME;
            return false;
        }
        pos = end + 1;
    }
    host.clear();
    for (char c : g_device.root) host.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
    if (path[0] != VZ_WIDE('\\')) host.push_back(VZ_WIDE('\\'));
    host += path;
    return true;
}

bool SameHostFile(const std::string& a, const std::string& b) { return a == b; }

// ---------------------------------------------------------------------------
// Volumes and databases

MountedVolume* FindVolume(const CEGUID* guid) {
    if (guid == nullptr || guid->Data2 != kVolumeGuidTag) {
        g_device.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const auto it = g_device.volumes.find(guid->Data1);
    if (it == g_device.volumes.end()) {
        g_device.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return &it->second;
}

Database* FindDatabase(MountedVolume& volume, CEOID oid) {
    for (Database& db : volume.data.databases)
        if (db.oid == oid) return &db;
    g_device.lastError = ERROR_INVALID_PARAMETER;
    return nullptr;
}

WCHAR Fold(WCHAR c) { return (c >= VZ_WIDE('a') && c <= VZ_WIDE('z')) ? static_cast<WCHAR>(c - VZ_WIDE('a') + VZ_WIDE('A')) : c; }

int CompareText(const WideText& a, const WideText& b, bool ignoreCase) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const WCHAR x = ignoreCase ? Fold(a[i]) : a[i];
        const WCHAR y = ignoreCase ? Fold(b[i]) : b[i];
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool NameTaken(const MountedVolume& volume, const WideText& name, CEOID except) {
    for (const Database& db : volume.data.databases)
        if (db.oid != except && CompareText(db.name, name, true) == 0) return true;
    return false;
}

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

const Property* FindProperty(const Record& record, CEPROPID id) {
    for (const Property& prop : record.properties)
        if (prop.id == id) return &prop;
    return nullptr;
}

int CompareValues(const Property& a, const Property& b, DWORD sortFlags) {
    switch (TypeFromPropID(a.id)) {
        case CEVT_I2: {
            const int16_t x = static_cast<int16_t>(a.number), y = static_cast<int16_t>(b.number);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case CEVT_I4: {
            const int32_t x = static_cast<int32_t>(a.number), y = static_cast<int32_t>(b.number);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case CEVT_R8: {
            double x, y;
            std::memcpy(&x, &a.number, sizeof(x));
            std::memcpy(&y, &b.number, sizeof(y));
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        case CEVT_LPWSTR: return CompareText(a.text, b.text, (sortFlags & CEDB_SORT_CASEINSENSITIVE) != 0);
        case CEVT_BLOB: return a.blob < b.blob ? -1 : (b.blob < a.blob ? 1 : 0);
        default: return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    }
}

// The records in the order the handle visits them.
std::vector<const Record*> SortedRecords(const Database& db, const OpenDatabase& open) {
    std::vector<const Record*> order;
    for (const Record& record : db.records) order.push_back(&record);
    if (open.sortProperty == 0) return order;
    const bool descending = (open.sortFlags & CEDB_SORT_DESCENDING) != 0;
    const bool unknownFirst = (open.sortFlags & CEDB_SORT_UNKNOWNFIRST) != 0;
    std::stable_sort(order.begin(), order.end(), [&](const Record* x, const Record* y) {
        const Property* a = FindProperty(*x, open.sortProperty);
        const Property* b = FindProperty(*y, open.sortProperty);
        if (a == nullptr || b == nullptr) {
            if (a == b) return false;
            return (a == nullptr) == unknownFirst;
        }
        const int c = CompareValues(*a, *b, open.sortFlags);
        return descending ? c > 0 : c < 0;
    });
    return order;
}

// The open database's volume and database, or null (error set).
Database* DatabaseOf(const OpenDatabase& open) {
    const auto it = g_device.volumes.find(open.volume);
    if (it == g_device.volumes.end()) {
        g_device.lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    for (Database& db : it->second.data.databases)
        if (db.oid == open.oid) return &db;
    g_device.lastError = ERROR_INVALID_HANDLE;
    return nullptr;
}

bool DatabaseIsOpen(DWORD volume, CEOID oid) {
    for (const auto& entry : g_device.objects)
        if (entry.second.kind == Object::Kind::Database && entry.second.db.volume == volume &&
            entry.second.db.oid == oid)
            return true;
    return false;
}

size_t PropertyDataSize(const Property& prop) {
    switch (TypeFromPropID(prop.id)) {
        case CEVT_LPWSTR: return (prop.text.size() + 1) * sizeof(WCHAR);
        case CEVT_BLOB: return prop.blob.size();
        default: return 0;
    }
}

size_t Align8(size_t n) { return (n + 7) & ~static_cast<size_t>(7); }

// Copies one property value from the caller's record.
bool TakeProperty(const CEPROPVAL& in, Property& out) {
    out = Property();
    out.id = in.propid;
    out.flags = in.wFlags & static_cast<WORD>(~CEDB_PROPDELETE);
    switch (TypeFromPropID(in.propid)) {
        case CEVT_I2:
        case CEVT_UI2: out.number = in.val.uiVal; return true;
        case CEVT_I4:
        case CEVT_UI4: out.number = in.val.ulVal; return true;
        case CEVT_BOOL: out.number = static_cast<uint32_t>(in.val.boolVal); return true;
        case CEVT_R8: std::memcpy(&out.number, &in.val.dblVal, sizeof(double)); return true;
        case CEVT_FILETIME: out.number = FileTimeValue(in.val.filetime); return true;
        case CEVT_LPWSTR:
            if (in.val.lpwstr == nullptr) return false;
            out.text = in.val.lpwstr;
            return true;
        case CEVT_BLOB:
            if (in.val.blob.dwCount > 0 && in.val.blob.lpb == nullptr) return false;
            out.blob.assign(in.val.blob.lpb, in.val.blob.lpb + in.val.blob.dwCount);
            return true;
        default: return false;
    }
}

void CopyName(WCHAR* dst, size_t capacity, const WideText& name) {
    const size_t n = std::min(name.size(), capacity - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), dst);
    dst[n] = 0;
}

bool IsDotName(const WCHAR* name) {
    return (name[0] == VZ_WIDE('.') && name[1] == 0) || (name[0] == VZ_WIDE('.') && name[1] == VZ_WIDE('.') && name[2] == 0);
}

void ToCeFindData(const HostFindData& host, CE_FIND_DATA* out) {
    std::memset(out, 0, sizeof(*out));
    out->dwFileAttributes = host.dwFileAttributes;
    out->ftCreationTime = host.ftCreationTime;
    out->ftLastAccessTime = host.ftLastAccessTime;
    out->ftLastWriteTime = host.ftLastWriteTime;
    out->nFileSizeHigh = host.nFileSizeHigh;
    out->nFileSizeLow = host.nFileSizeLow;
    DWORD oid = 0x811C9DC5u;  // a stable stand-in object id: the name's hash
    for (const WCHAR* p = host.cFileName; *p != 0; ++p) oid = (oid ^ *p) * 16777619u;
    out->dwOID = oid | 0x80000000u;
    std::memcpy(out->cFileName, host.cFileName, sizeof(out->cFileName));
}

// Temporary volume files being written are not part of the device.
bool IsTemporaryName(const WCHAR* name) {
    const size_t n = std::char_traits<WCHAR>::length(name);
    return n >= 5 && std::char_traits<WCHAR>::compare(name + n - 5, VZ_WIDE(".~new"), 5) == 0;
}

bool NextVisible(HANDLE host, HostFindData& found) {
    while (IsDotName(found.cFileName) || IsTemporaryName(found.cFileName))
        if (!PlatformFindNextFile(host, &found)) return false;
    return true;
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

// ===========================================================================
// Connection

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
    LogLine("CeRapiUninit() -> " + std::to_string(result) + " [error " + std::to_string(g_device.lastError) + "]");
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

// ===========================================================================
// Files

EMU_EXPORT HANDLE CeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD attributes, HANDLE templateFile) {
    return Call<HANDLE>("CeCreateFile", INVALID_HANDLE_VALUE,
                        Args(path, access, share, static_cast<const void*>(security), disposition, attributes,
                             static_cast<const void*>(templateFile)),
                        [&]() -> HANDLE {
                            WideText host;
                            if (!HostPath(path, host)) return INVALID_HANDLE_VALUE;
                            HANDLE file = PlatformCreateFile(host.c_str(), access, share, disposition, attributes);
                            g_device.lastError = PlatformGetLastError();
                            if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
                            Object object{Object::Kind::File, {}, {}, {}, {}};
                            object.file.host = file;
                            return NewHandle(std::move(object));
                        });
}

EMU_EXPORT BOOL CeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
    return Call<BOOL>("CeReadFile", FALSE,
                      Args(static_cast<const void*>(file), static_cast<const void*>(buffer), size,
                           static_cast<const void*>(done), static_cast<const void*>(overlapped)),
                      [&]() -> BOOL {
                          Object* object = FindObject(file, Object::Kind::File);
                          if (object == nullptr) return FALSE;
                          const BOOL ok = PlatformReadFile(object->file.host, buffer, TransferSize(size), done);
                          if (!ok) g_device.lastError = PlatformGetLastError();
                          return ok;
                      });
}

EMU_EXPORT BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
    return Call<BOOL>("CeWriteFile", FALSE,
                      Args(static_cast<const void*>(file), buffer, size, static_cast<const void*>(done),
                           static_cast<const void*>(overlapped)),
                      [&]() -> BOOL {
                          Object* object = FindObject(file, Object::Kind::File);
                          if (object == nullptr) return FALSE;
                          const BOOL ok = PlatformWriteFile(object->file.host, buffer, TransferSize(size), done);
                          if (!ok) g_device.lastError = PlatformGetLastError();
                          return ok;
                      });
}

EMU_EXPORT DWORD CeGetFileSize(HANDLE file, LPDWORD high) {
    return Call<DWORD>("CeGetFileSize", INVALID_FILE_SIZE,
                       Args(static_cast<const void*>(file), static_cast<const void*>(high)), [&]() -> DWORD {
                           Object* object = FindObject(file, Object::Kind::File);
                           if (object == nullptr) return INVALID_FILE_SIZE;
                           const DWORD size = PlatformGetFileSize(object->file.host, high);
                           g_device.lastError = PlatformGetLastError();
                           return size;
                       });
}

EMU_EXPORT BOOL CeGetFileTime(HANDLE file, FILETIME* creation, FILETIME* access, FILETIME* write) {
    return Call<BOOL>("CeGetFileTime", FALSE, Args(static_cast<const void*>(file)), [&]() -> BOOL {
        Object* object = FindObject(file, Object::Kind::File);
        if (object == nullptr) return FALSE;
        const BOOL ok = PlatformGetFileTime(object->file.host, creation, access, write);
        if (!ok) g_device.lastError = PlatformGetLastError();
        return ok;
    });
}

EMU_EXPORT BOOL CeSetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
    const std::string args = Args(static_cast<const void*>(file)) + ", " +
                             (write != nullptr ? Hex(FileTimeValue(*write)) : std::string("null"));
    return Call<BOOL>("CeSetFileTime", FALSE, args, [&]() -> BOOL {
        Object* object = FindObject(file, Object::Kind::File);
        if (object == nullptr) return FALSE;
        const BOOL ok = PlatformSetFileTime(object->file.host, creation, access, write);
        if (!ok) g_device.lastError = PlatformGetLastError();
        return ok;
    });
}

EMU_EXPORT BOOL CeCloseHandle(HANDLE handle) {
    return Call<BOOL>("CeCloseHandle", FALSE, Args(static_cast<const void*>(handle)), [&]() -> BOOL {
        const auto it = g_device.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == g_device.objects.end()) {
            g_device.lastError = ERROR_INVALID_HANDLE;
            return FALSE;
        }
        ReleaseObject(it->second);
        g_device.objects.erase(it);
        return TRUE;
    });
}

EMU_EXPORT BOOL CeDeleteFile(LPCWSTR path) {
    return Call<BOOL>("CeDeleteFile", FALSE, Args(path), [&]() -> BOOL {
        WideText host;
        if (!HostPath(path, host)) return FALSE;
        const std::string resolved = ResolvedHostPath(host.c_str());
        for (const auto& entry : g_device.volumes)
            if (SameHostFile(entry.second.hostPath, resolved)) {
                g_device.lastError = ERROR_SHARING_VIOLATION;
                return FALSE;
            }
        const BOOL ok = PlatformDeleteFile(host.c_str());
        if (!ok) g_device.lastError = PlatformGetLastError();
        return ok;
    });
}

// As on the handheld: the destination must not exist yet.
EMU_EXPORT BOOL CeMoveFile(LPCWSTR from, LPCWSTR to) {
    return Call<BOOL>("CeMoveFile", FALSE, Args(from, to), [&]() -> BOOL {
        WideText source, destination;
        if (!HostPath(from, source) || !HostPath(to, destination)) return FALSE;
        const std::string resolved = ResolvedHostPath(source.c_str());
        for (const auto& entry : g_device.volumes)
            if (SameHostFile(entry.second.hostPath, resolved)) {
                g_device.lastError = ERROR_SHARING_VIOLATION;
                return FALSE;
            }
        if (KindOf(resolved) == HostKind::None) {
            g_device.lastError = ERROR_FILE_NOT_FOUND;
            return FALSE;
        }
        if (KindOf(ResolvedHostPath(destination.c_str())) != HostKind::None) {
            g_device.lastError = ERROR_ALREADY_EXISTS;
            return FALSE;
        }
        const BOOL ok = PlatformMoveFile(source.c_str(), destination.c_str());
        if (!ok) g_device.lastError = PlatformGetLastError();
        return ok;
    });
}

EMU_EXPORT BOOL CeCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES security)
#if defined(VEZUVED_EMULATOR_WITHOUT_CREATE_DIRECTORY)
    ;  // declared only: this build stands in for a library lacking the entry point
#else
{
    return Call<BOOL>("CeCreateDirectory", FALSE, Args(path, static_cast<const void*>(security)), [&]() -> BOOL {
        WideText host;
        if (!HostPath(path, host)) return FALSE;
        const BOOL ok = PlatformCreateDirectory(host.c_str());
        if (!ok) g_device.lastError = PlatformGetLastError();
        return ok;
    });
}
#endif

EMU_EXPORT HANDLE CeFindFirstFile(LPCWSTR pattern, LPCE_FIND_DATA found) {
    return Call<HANDLE>("CeFindFirstFile", INVALID_HANDLE_VALUE, Args(pattern, static_cast<const void*>(found)),
                        [&]() -> HANDLE {
                            WideText host;
                            if (!HostPath(pattern, host)) return INVALID_HANDLE_VALUE;
                            if (found == nullptr) {
                                g_device.lastError = ERROR_INVALID_PARAMETER;
                                return INVALID_HANDLE_VALUE;
                            }
                            HostFindData entry;
                            HANDLE search = PlatformFindFirstFile(host.c_str(), &entry);
                            if (search == INVALID_HANDLE_VALUE) {
                                g_device.lastError = PlatformGetLastError();
                                return INVALID_HANDLE_VALUE;
                            }
                            if (!NextVisible(search, entry)) {
                                PlatformFindClose(search);
                                g_device.lastError = ERROR_FILE_NOT_FOUND;
                                return INVALID_HANDLE_VALUE;
                            }
                            ToCeFindData(entry, found);
                            Object object{Object::Kind::Search, {}, {}, {}, {}};
                            object.search.host = search;
                            return NewHandle(std::move(object));
                        });
}

EMU_EXPORT BOOL CeFindNextFile(HANDLE search, LPCE_FIND_DATA found) {
    return Call<BOOL>("CeFindNextFile", FALSE, Args(static_cast<const void*>(search)), [&]() -> BOOL {
        Object* object = FindObject(search, Object::Kind::Search);
        if (object == nullptr) return FALSE;
        HostFindData entry;
        if (!PlatformFindNextFile(object->search.host, &entry) || !NextVisible(object->search.host, entry)) {
            g_device.lastError = ERROR_NO_MORE_FILES;
            return FALSE;
        }
        ToCeFindData(entry, found);
        return TRUE;
    });
}

EMU_EXPORT BOOL CeFindClose(HANDLE search) {
    return Call<BOOL>("CeFindClose", FALSE, Args(static_cast<const void*>(search)), [&]() -> BOOL {
        if (FindObject(search, Object::Kind::Search) == nullptr) return FALSE;
        const auto it = g_device.objects.find(reinterpret_cast<uintptr_t>(search));
        ReleaseObject(it->second);
        g_device.objects.erase(it);
        return TRUE;
    });
}

// ===========================================================================
// Database volumes

EMU_EXPORT BOOL CeMountDBVol(PCEGUID guid, LPWSTR path, DWORD flags) {
    return Call<BOOL>("CeMountDBVol", FALSE, Args(static_cast<const void*>(guid), path, flags), [&]() -> BOOL {
        WideText host;
        if (guid == nullptr) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        if (!HostPath(path, host)) return FALSE;
        const std::string resolved = ResolvedHostPath(host.c_str());
        for (auto& entry : g_device.volumes)
            if (SameHostFile(entry.second.hostPath, resolved)) {
                ++entry.second.mounts;
                *guid = entry.second.guid;
                return TRUE;
            }
        const HostKind kind = KindOf(resolved);
        const bool exists = kind != HostKind::None;
        if (kind == HostKind::Folder) {
            g_device.lastError = ERROR_ACCESS_DENIED;
            return FALSE;
        }
        Volume data;
        bool fresh = false;
        switch (flags) {
            case OPEN_EXISTING:
            case TRUNCATE_EXISTING:
                if (!exists) {
                    const size_t slash = resolved.find_last_of(kHostSeparators);
                    const std::string folder = slash == std::string::npos ? "." : resolved.substr(0, slash);
                    g_device.lastError = KindOf(folder) != HostKind::None ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
                    return FALSE;
                }
                fresh = flags == TRUNCATE_EXISTING;
                break;
            case CREATE_NEW:
                if (exists) {
                    g_device.lastError = ERROR_FILE_EXISTS;
                    return FALSE;
                }
                fresh = true;
                break;
            case CREATE_ALWAYS: fresh = true; break;
            case OPEN_ALWAYS: fresh = !exists; break;
            default: g_device.lastError = ERROR_INVALID_PARAMETER; return FALSE;
        }
        if (!fresh) {
            std::vector<uint8_t> bytes;
            if (!emu::ReadWholeFile(resolved, bytes)) {
                g_device.lastError = ERROR_ACCESS_DENIED;
                return FALSE;
            }
            std::string why;
            if (!emu::DecodeVolume(bytes, data, &why)) {
                LogLine("# refusing to mount " + resolved + ": " + why);
                g_device.lastError = ERROR_FILE_CORRUPT;
                return FALSE;
            }
        } else {
            const DWORD error = emu::SaveVolumeFile(resolved, data);
            if (error != ERROR_SUCCESS) {
                g_device.lastError = error;
                return FALSE;
            }
        }
        MountedVolume volume;
        volume.guid.Data1 = g_device.nextVolume++;
        volume.guid.Data2 = kVolumeGuidTag;
        volume.hostPath = resolved;
        volume.data = std::move(data);
        volume.mounts = 1;
        *guid = volume.guid;
        g_device.volumes.emplace(volume.guid.Data1, std::move(volume));
        return TRUE;
    });
}

EMU_EXPORT BOOL CeUnmountDBVol(PCEGUID guid) {
    return Call<BOOL>("CeUnmountDBVol", FALSE, Args(guid), [&]() -> BOOL {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr) return FALSE;
        if (--volume->mounts > 0) return TRUE;
        const DWORD id = volume->guid.Data1;
        for (auto it = g_device.objects.begin(); it != g_device.objects.end();) {
            const bool onVolume = (it->second.kind == Object::Kind::Database && it->second.db.volume == id) ||
                                  (it->second.kind == Object::Kind::Enum && it->second.dbEnum.volume == id);
            it = onVolume ? g_device.objects.erase(it) : std::next(it);
        }
        g_device.volumes.erase(id);
        return TRUE;
    });
}

EMU_EXPORT HANDLE CeFindFirstDatabaseEx(PCEGUID guid, DWORD type) {
    // No handle is 0 here, as the callers rely on.
    return Call<HANDLE>("CeFindFirstDatabaseEx", nullptr, Args(guid, type), [&]() -> HANDLE {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr) return nullptr;
        Object object{Object::Kind::Enum, {}, {}, {}, {}};
        object.dbEnum.volume = volume->guid.Data1;
        for (const Database& db : volume->data.databases)
            if (type == 0 || db.type == type) object.dbEnum.oids.push_back(db.oid);
        return NewHandle(std::move(object));
    });
}

EMU_EXPORT CEOID CeFindNextDatabaseEx(HANDLE enumeration, PCEGUID guid) {
    return Call<CEOID>("CeFindNextDatabaseEx", 0, Args(static_cast<const void*>(enumeration), guid), [&]() -> CEOID {
        Object* object = FindObject(enumeration, Object::Kind::Enum);
        if (object == nullptr) return 0;
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr || volume->guid.Data1 != object->dbEnum.volume) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        DatabaseEnum& e = object->dbEnum;
        while (e.next < e.oids.size()) {
            const CEOID oid = e.oids[e.next++];
            for (const Database& db : volume->data.databases)
                if (db.oid == oid) return oid;  // skips databases deleted meanwhile
        }
        g_device.lastError = ERROR_NO_MORE_ITEMS;
        return 0;
    });
}

EMU_EXPORT CEOID CeCreateDatabaseEx(PCEGUID guid, CEDBASEINFO* info) {
    return Call<CEOID>("CeCreateDatabaseEx", 0, Args(guid, static_cast<const void*>(info)), [&]() -> CEOID {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr) return 0;
        if (info == nullptr || (info->dwFlags & CEDB_VALIDNAME) == 0) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        const size_t length = std::find(info->szDbaseName, info->szDbaseName + CEDB_MAXDBASENAMELEN, VZ_WIDE('\0')) -
                              info->szDbaseName;
        if (length == 0 || length >= CEDB_MAXDBASENAMELEN) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        Database db;
        db.name.assign(info->szDbaseName, length);
        if (NameTaken(*volume, db.name, 0)) {
            g_device.lastError = ERROR_DUP_NAME;
            return 0;
        }
        if ((info->dwFlags & CEDB_VALIDTYPE) != 0) db.type = info->dwDbaseType;
        if ((info->dwFlags & CEDB_VALIDSORTSPEC) != 0) {
            if (info->wNumSortOrder > CEDB_MAXSORTORDER) {
                g_device.lastError = ERROR_INVALID_PARAMETER;
                return 0;
            }
            for (WORD i = 0; i < info->wNumSortOrder; ++i) {
                if (!emu::IsKnownPropertyType(TypeFromPropID(info->rgSortSpecs[i].propid)) ||
                    TypeFromPropID(info->rgSortSpecs[i].propid) == CEVT_BLOB) {
                    g_device.lastError = ERROR_INVALID_PARAMETER;
                    return 0;
                }
                db.sorts.push_back(info->rgSortSpecs[i]);
            }
        }
        db.flags = info->dwFlags & CEDB_NOCOMPRESS;
        db.modified = FileTimeValue(PlatformCurrentFileTime());
        CEOID oid = 0;
        const bool ok = Commit(*volume, [&](Volume& v) {
            db.oid = oid = v.nextOid++;
            v.databases.push_back(db);
            return true;
        });
        return ok ? oid : 0;
    });
}

namespace {
BOOL SetDatabaseInfo(const char* entry, PCEGUID guid, CEOID oid, CEDBASEINFO* info) {
    const std::string args = Args(guid, oid, static_cast<const void*>(info)) +
                             (info != nullptr ? " flags " + Hex(info->dwFlags) : std::string());
    return Call<BOOL>(entry, FALSE, args, [&]() -> BOOL {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr || FindDatabase(*volume, oid) == nullptr) return FALSE;
        if (info == nullptr) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        WideText name;
        if ((info->dwFlags & CEDB_VALIDNAME) != 0) {
            const size_t length = std::find(info->szDbaseName, info->szDbaseName + CEDB_MAXDBASENAMELEN, VZ_WIDE('\0')) -
                                  info->szDbaseName;
            if (length == 0 || length >= CEDB_MAXDBASENAMELEN) {
                g_device.lastError = ERROR_INVALID_PARAMETER;
                return FALSE;
            }
            name.assign(info->szDbaseName, length);
            if (NameTaken(*volume, name, oid)) {
                g_device.lastError = ERROR_DUP_NAME;
                return FALSE;
            }
        }
        if ((info->dwFlags & CEDB_VALIDSORTSPEC) != 0 && info->wNumSortOrder > CEDB_MAXSORTORDER) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        return Commit(*volume, [&](Volume& v) {
                   for (Database& db : v.databases) {
                       if (db.oid != oid) continue;
                       if ((info->dwFlags & CEDB_VALIDNAME) != 0) db.name = name;
                       if ((info->dwFlags & CEDB_VALIDTYPE) != 0) db.type = info->dwDbaseType;
                       if ((info->dwFlags & CEDB_VALIDSORTSPEC) != 0)
                           db.sorts.assign(info->rgSortSpecs, info->rgSortSpecs + info->wNumSortOrder);
                       if ((info->dwFlags & CEDB_VALIDDBFLAGS) != 0) db.flags = info->dwFlags & CEDB_NOCOMPRESS;
                       db.modified = (info->dwFlags & CEDB_VALIDMODTIME) != 0
                                         ? FileTimeValue(info->ftLastModified)
                                         : FileTimeValue(PlatformCurrentFileTime());
                   }
                   return true;
               })
                   ? TRUE
                   : FALSE;
    });
}

}  // namespace

EMU_EXPORT BOOL CeSetDatabaseInfoEx(PCEGUID guid, CEOID oid, CEDBASEINFO* info) {
    return SetDatabaseInfo("CeSetDatabaseInfoEx", guid, oid, info);
}

EMU_EXPORT BOOL CeSetDatabaseInfo(CEOID oid, CEDBASEINFO* info) {
    // Without a volume: the mounted volume that holds the database.
    CEGUID guid{};
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (auto& entry : g_device.volumes)
            for (const Database& db : entry.second.data.databases)
                if (db.oid == oid) guid = entry.second.guid;
    }
    if (guid.Data2 == 0) guid.Data2 = kVolumeGuidTag;  // unknown database: fails as such
    return SetDatabaseInfo("CeSetDatabaseInfo", &guid, oid, info);
}

EMU_EXPORT BOOL CeDeleteDatabaseEx(PCEGUID guid, CEOID oid) {
    return Call<BOOL>("CeDeleteDatabaseEx", FALSE, Args(guid, oid), [&]() -> BOOL {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr || FindDatabase(*volume, oid) == nullptr) return FALSE;
        if (DatabaseIsOpen(volume->guid.Data1, oid)) {
            g_device.lastError = ERROR_SHARING_VIOLATION;
            return FALSE;
        }
        return Commit(*volume, [&](Volume& v) {
                   v.databases.erase(std::remove_if(v.databases.begin(), v.databases.end(),
                                                    [&](const Database& db) { return db.oid == oid; }),
                                     v.databases.end());
                   return true;
               })
                   ? TRUE
                   : FALSE;
    });
}

EMU_EXPORT BOOL CeOidGetInfoEx(PCEGUID guid, CEOID oid, CEOIDINFO* info) {
    return Call<BOOL>("CeOidGetInfoEx", FALSE, Args(guid, oid, static_cast<const void*>(info)), [&]() -> BOOL {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr) return FALSE;
        if (info == nullptr) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        for (const Database& db : volume->data.databases) {
            if (db.oid == oid) {
                std::memset(info, 0, sizeof(*info));
                info->wObjType = OBJTYPE_DATABASE;
                CEDBASEINFO& out = info->infDatabase;
                out.dwFlags = db.flags;
                CopyName(out.szDbaseName, CEDB_MAXDBASENAMELEN, db.name);
                out.dwDbaseType = db.type;
                out.wNumRecords = static_cast<WORD>(std::min<size_t>(db.records.size(), 0xFFFF));
                out.wNumSortOrder = static_cast<WORD>(db.sorts.size());
                size_t size = 0;
                for (const Record& record : db.records)
                    for (const Property& prop : record.properties) size += sizeof(CEPROPVAL) + PropertyDataSize(prop);
                out.dwSize = static_cast<DWORD>(std::min<size_t>(size, 0xFFFFFFFFu));
                out.ftLastModified = MakeFileTime(db.modified);
                std::copy(db.sorts.begin(), db.sorts.end(), out.rgSortSpecs);
                return TRUE;
            }
            for (const Record& record : db.records)
                if (record.oid == oid) {
                    std::memset(info, 0, sizeof(*info));
                    info->wObjType = OBJTYPE_RECORD;
                    info->infRecord.oidParent = db.oid;
                    return TRUE;
                }
        }
        g_device.lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    });
}

// ===========================================================================
// Databases

EMU_EXPORT HANDLE CeOpenDatabaseEx(PCEGUID guid, PCEOID poid, LPWSTR name, CEPROPID propid, DWORD flags,
                                   CENOTIFYREQUEST* request) {
    const std::string args = Args(guid, static_cast<const void*>(poid)) +
                             (poid != nullptr ? " oid " + std::to_string(*poid) : std::string()) + ", " +
                             Args(name) + ", " + Hex(propid) + ", " + Args(flags, static_cast<const void*>(request));
    return Call<HANDLE>("CeOpenDatabaseEx", INVALID_HANDLE_VALUE, args, [&]() -> HANDLE {
        MountedVolume* volume = FindVolume(guid);
        if (volume == nullptr) return INVALID_HANDLE_VALUE;
        if (poid == nullptr) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return INVALID_HANDLE_VALUE;
        }
        Database* db = nullptr;
        if (*poid != 0) {
            db = FindDatabase(*volume, *poid);
        } else if (name != nullptr) {
            for (Database& candidate : volume->data.databases)
                if (CompareText(candidate.name, name, true) == 0) db = &candidate;
            if (db == nullptr) g_device.lastError = ERROR_FILE_NOT_FOUND;
        } else {
            g_device.lastError = ERROR_INVALID_PARAMETER;
        }
        if (db == nullptr) return INVALID_HANDLE_VALUE;
        Object object{Object::Kind::Database, {}, {}, {}, {}};
        OpenDatabase& open = object.db;
        open.volume = volume->guid.Data1;
        open.oid = db->oid;
        open.flags = flags;
        if (propid != 0) {
            const auto sort = std::find_if(db->sorts.begin(), db->sorts.end(),
                                           [&](const SORTORDERSPEC& s) { return s.propid == propid; });
            if (sort == db->sorts.end()) {
                g_device.lastError = ERROR_INVALID_PARAMETER;
                return INVALID_HANDLE_VALUE;
            }
            open.sortProperty = propid;
            open.sortFlags = sort->dwFlags;
        }
        const std::vector<const Record*> order = SortedRecords(*db, open);
        open.current = order.empty() ? 0 : order.front()->oid;
        *poid = db->oid;
        return NewHandle(std::move(object));
    });
}

EMU_EXPORT CEOID CeSeekDatabase(HANDLE handle, DWORD seekType, DWORD value, LPDWORD index) {
    return Call<CEOID>("CeSeekDatabase", 0, Args(static_cast<const void*>(handle), seekType, value), [&]() -> CEOID {
        Object* object = FindObject(handle, Object::Kind::Database);
        if (object == nullptr) return 0;
        OpenDatabase& open = object->db;
        Database* db = DatabaseOf(open);
        if (db == nullptr) return 0;
        const std::vector<const Record*> order = SortedRecords(*db, open);
        const int64_t count = static_cast<int64_t>(order.size());
        int64_t currentIndex = count;
        for (int64_t i = 0; i < count; ++i)
            if (order[static_cast<size_t>(i)]->oid == open.current) currentIndex = i;
        int64_t target = -1;
        switch (seekType) {
            case CEDB_SEEK_BEGINNING: target = static_cast<int64_t>(value); break;
            case CEDB_SEEK_CURRENT: target = currentIndex + static_cast<int32_t>(value); break;
            case CEDB_SEEK_END: target = count - 1 - static_cast<int64_t>(value); break;
            case CEDB_SEEK_CEOID:
                for (int64_t i = 0; i < count; ++i)
                    if (order[static_cast<size_t>(i)]->oid == value) target = i;
                break;
            default: g_device.lastError = ERROR_NOT_SUPPORTED; return 0;
        }
        if (target < 0 || target >= count) {
            g_device.lastError = ERROR_NO_MORE_ITEMS;
            return 0;
        }
        open.current = order[static_cast<size_t>(target)]->oid;
        if (index != nullptr) *index = static_cast<DWORD>(target);
        return open.current;
    });
}

namespace {
CEOID ReadRecordProps(const char* entry, HANDLE handle, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer,
                      LPDWORD size, HANDLE heap) {
    return Call<CEOID>(
        entry, 0,
        Args(static_cast<const void*>(handle), flags, static_cast<const void*>(count), static_cast<const void*>(ids),
             static_cast<const void*>(buffer), static_cast<const void*>(size), static_cast<const void*>(heap)),
        [&]() -> CEOID {
            Object* object = FindObject(handle, Object::Kind::Database);
            if (object == nullptr) return 0;
            OpenDatabase& open = object->db;
            Database* db = DatabaseOf(open);
            if (db == nullptr) return 0;
            if (count == nullptr || buffer == nullptr || size == nullptr) {
                g_device.lastError = ERROR_INVALID_PARAMETER;
                return 0;
            }
            const Record* record = nullptr;
            for (const Record& r : db->records)
                if (r.oid == open.current && open.current != 0) record = &r;
            if (record == nullptr) {
                g_device.lastError = ERROR_NO_MORE_ITEMS;
                return 0;
            }
            // The properties asked for, in the order asked; all when no list.
            std::vector<const Property*> chosen;
            std::vector<CEPROPID> missing;
            if (ids == nullptr) {
                for (const Property& prop : record->properties) chosen.push_back(&prop);
            } else {
                for (WORD i = 0; i < *count; ++i) {
                    const Property* prop = FindProperty(*record, ids[i]);
                    chosen.push_back(prop);
                    if (prop == nullptr) missing.push_back(ids[i]);
                }
            }
            size_t needed = Align8(chosen.size() * sizeof(CEPROPVAL));
            for (const Property* prop : chosen)
                if (prop != nullptr) needed += Align8(PropertyDataSize(*prop));
            if (needed == 0) needed = 8;
            if (*buffer == nullptr || *size < needed) {
                if ((flags & CEDB_ALLOWREALLOC) == 0) {
                    *size = static_cast<DWORD>(needed);
                    g_device.lastError = ERROR_INSUFFICIENT_BUFFER;
                    return 0;
                }
                void* grown = GrowCallerBuffer(*buffer, needed);
                if (grown == nullptr) {
                    g_device.lastError = ERROR_NOT_ENOUGH_MEMORY;
                    return 0;
                }
                *buffer = static_cast<LPBYTE>(grown);
                *size = static_cast<DWORD>(needed);
            }
            auto* values = reinterpret_cast<CEPROPVAL*>(*buffer);
            uint8_t* data = *buffer + Align8(chosen.size() * sizeof(CEPROPVAL));
            size_t missingIndex = 0;
            for (size_t i = 0; i < chosen.size(); ++i) {
                CEPROPVAL& out = values[i];
                std::memset(&out, 0, sizeof(out));
                const Property* prop = chosen[i];
                if (prop == nullptr) {
                    out.propid = missing[missingIndex++];
                    out.wFlags = CEDB_PROPNOTFOUND;
                    continue;
                }
                out.propid = prop->id;
                out.wFlags = prop->flags;
                switch (TypeFromPropID(prop->id)) {
                    case CEVT_I2:
                    case CEVT_UI2: out.val.uiVal = static_cast<USHORT>(prop->number); break;
                    case CEVT_I4:
                    case CEVT_UI4: out.val.ulVal = static_cast<ULONG>(prop->number); break;
                    case CEVT_BOOL: out.val.boolVal = static_cast<BOOL>(prop->number); break;
                    case CEVT_R8: std::memcpy(&out.val.dblVal, &prop->number, sizeof(double)); break;
                    case CEVT_FILETIME: out.val.filetime = MakeFileTime(prop->number); break;
                    case CEVT_LPWSTR: {
                        auto* text = reinterpret_cast<WCHAR*>(data);
                        std::copy(prop->text.begin(), prop->text.end(), text);
                        text[prop->text.size()] = 0;
                        out.val.lpwstr = text;
                        break;
                    }
                    case CEVT_BLOB:
                        std::copy(prop->blob.begin(), prop->blob.end(), data);
                        out.val.blob.dwCount = static_cast<DWORD>(prop->blob.size());
                        out.val.blob.lpb = data;
                        break;
                    default: break;
                }
                data += Align8(PropertyDataSize(*prop));
            }
            *count = static_cast<WORD>(chosen.size());
            const CEOID oid = record->oid;
            if ((open.flags & CEDB_AUTOINCREMENT) != 0) {
                const std::vector<const Record*> order = SortedRecords(*db, open);
                open.current = 0;
                for (size_t i = 0; i + 1 < order.size(); ++i)
                    if (order[i]->oid == oid) open.current = order[i + 1]->oid;
            }
            return oid;
        });
}

}  // namespace

EMU_EXPORT CEOID CeReadRecordPropsEx(HANDLE handle, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer,
                                     LPDWORD size, HANDLE heap) {
    return ReadRecordProps("CeReadRecordPropsEx", handle, flags, count, ids, buffer, size, heap);
}

EMU_EXPORT CEOID CeReadRecordProps(HANDLE handle, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer,
                                   LPDWORD size) {
    return ReadRecordProps("CeReadRecordProps", handle, flags, count, ids, buffer, size, nullptr);
}

namespace {
CEOID WriteRecordProps(const char* entry, HANDLE handle, CEOID oid, WORD count, CEPROPVAL* values) {
    return Call<CEOID>(
        entry, 0, Args(static_cast<const void*>(handle), oid, count, static_cast<const void*>(values)),
        [&]() -> CEOID {
            Object* object = FindObject(handle, Object::Kind::Database);
            if (object == nullptr) return 0;
            OpenDatabase& open = object->db;
            if (DatabaseOf(open) == nullptr) return 0;
            if (count > 0 && values == nullptr) {
                g_device.lastError = ERROR_INVALID_PARAMETER;
                return 0;
            }
            std::vector<Property> incoming;
            std::vector<bool> deletes;
            for (WORD i = 0; i < count; ++i) {
                Property prop;
                const bool remove = (values[i].wFlags & CEDB_PROPDELETE) != 0;
                if (!remove && !TakeProperty(values[i], prop)) {
                    g_device.lastError = ERROR_INVALID_PARAMETER;
                    return 0;
                }
                prop.id = values[i].propid;
                incoming.push_back(std::move(prop));
                deletes.push_back(remove);
            }
            MountedVolume& volume = g_device.volumes.at(open.volume);
            CEOID written = 0;
            const bool ok = Commit(volume, [&](Volume& v) {
                Database* db = nullptr;
                for (Database& candidate : v.databases)
                    if (candidate.oid == open.oid) db = &candidate;
                Record* record = nullptr;
                if (oid == 0) {
                    db->records.emplace_back();
                    record = &db->records.back();
                    record->oid = v.nextOid++;
                } else {
                    for (Record& r : db->records)
                        if (r.oid == oid) record = &r;
                    if (record == nullptr) {
                        g_device.lastError = ERROR_INVALID_PARAMETER;
                        return false;
                    }
                }
                for (size_t i = 0; i < incoming.size(); ++i) {
                    auto& props = record->properties;
                    const auto existing = std::find_if(props.begin(), props.end(),
                                                       [&](const Property& p) { return p.id == incoming[i].id; });
                    if (deletes[i]) {
                        if (existing != props.end()) props.erase(existing);
                    } else if (existing != props.end()) {
                        *existing = incoming[i];
                    } else {
                        props.push_back(incoming[i]);
                    }
                }
                db->modified = FileTimeValue(PlatformCurrentFileTime());
                written = record->oid;
                return true;
            });
            return ok ? written : 0;
        });
}

}  // namespace

EMU_EXPORT CEOID CeWriteRecordProps(HANDLE handle, CEOID oid, WORD count, CEPROPVAL* values) {
    return WriteRecordProps("CeWriteRecordProps", handle, oid, count, values);
}

EMU_EXPORT CEOID CeWriteRecordPropsEx(HANDLE handle, CEOID oid, WORD count, CEPROPVAL* values) {
    return WriteRecordProps("CeWriteRecordPropsEx", handle, oid, count, values);
}
