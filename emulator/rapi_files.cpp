// The emulator's files: the device's file system is the PC folder
// VEZUVED_DEVICE names; device paths map into it and never out of it.
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <cstring>
#include <string>

#include "device/find_data_facts.h"
#include "emulator_state.h"

using namespace vezuved;

namespace emu {

namespace {

bool IsDotName(const WCHAR* name) {
    return (name[0] == VZ_WIDE('.') && name[1] == 0) ||
           (name[0] == VZ_WIDE('.') && name[1] == VZ_WIDE('.') && name[2] == 0);
}

// Every field is set: the record has no padding and the name is copied whole.
void ToCeFindData(const HostFindData& host, CE_FIND_DATA* out) {
    CopyFindDataFacts(host, *out);
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

}  // namespace

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

bool NextVisible(HANDLE host, HostFindData& found) {
    while (IsDotName(found.cFileName) || IsTemporaryName(found.cFileName))
        if (!PlatformFindNextFile(host, &found)) return false;
    return true;
}

}  // namespace emu

using namespace emu;

EMU_EXPORT HANDLE CeCreateFile(LPCWSTR path,
                               DWORD access,
                               DWORD share,
                               LPSECURITY_ATTRIBUTES security,
                               DWORD disposition,
                               DWORD attributes,
                               HANDLE templateFile) {
    return Call<HANDLE>("CeCreateFile",
                        INVALID_HANDLE_VALUE,
                        Args(path,
                             access,
                             share,
                             static_cast<const void*>(security),
                             disposition,
                             attributes,
                             static_cast<const void*>(templateFile)),
                        [&]() -> HANDLE {
                            WideText host;
                            if (!HostPath(path, host)) return INVALID_HANDLE_VALUE;
                            HANDLE file =
                                PlatformCreateFile(host.c_str(), access, share, disposition, attributes);
                            g_device.lastError = PlatformGetLastError();
                            if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
                            Object object{Object::Kind::File, {}, {}, {}, {}};
                            object.file.host = file;
                            return NewHandle(std::move(object));
                        });
}

EMU_EXPORT BOOL CeReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
    return Call<BOOL>("CeReadFile",
                      FALSE,
                      Args(static_cast<const void*>(file),
                           static_cast<const void*>(buffer),
                           size,
                           static_cast<const void*>(done),
                           static_cast<const void*>(overlapped)),
                      [&]() -> BOOL {
                          Object* object = FindObject(file, Object::Kind::File);
                          if (object == nullptr) return FALSE;
                          const BOOL ok =
                              PlatformReadFile(object->file.host, buffer, TransferSize(size), done);
                          if (!ok) g_device.lastError = PlatformGetLastError();
                          return ok;
                      });
}

EMU_EXPORT BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD done, LPOVERLAPPED overlapped) {
    return Call<BOOL>("CeWriteFile",
                      FALSE,
                      Args(static_cast<const void*>(file),
                           buffer,
                           size,
                           static_cast<const void*>(done),
                           static_cast<const void*>(overlapped)),
                      [&]() -> BOOL {
                          Object* object = FindObject(file, Object::Kind::File);
                          if (object == nullptr) return FALSE;
                          const BOOL ok =
                              PlatformWriteFile(object->file.host, buffer, TransferSize(size), done);
                          if (!ok) g_device.lastError = PlatformGetLastError();
                          return ok;
                      });
}

EMU_EXPORT DWORD CeGetFileSize(HANDLE file, LPDWORD high) {
    return Call<DWORD>("CeGetFileSize",
                       INVALID_FILE_SIZE,
                       Args(static_cast<const void*>(file), static_cast<const void*>(high)),
                       [&]() -> DWORD {
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

EMU_EXPORT BOOL CeSetFileTime(HANDLE file,
                              const FILETIME* creation,
                              const FILETIME* access,
                              const FILETIME* write) {
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
    return Call<BOOL>(
        "CeCreateDirectory", FALSE, Args(path, static_cast<const void*>(security)), [&]() -> BOOL {
            WideText host;
            if (!HostPath(path, host)) return FALSE;
            const BOOL ok = PlatformCreateDirectory(host.c_str());
            if (!ok) g_device.lastError = PlatformGetLastError();
            return ok;
        });
}
#endif

EMU_EXPORT HANDLE CeFindFirstFile(LPCWSTR pattern, LPCE_FIND_DATA found) {
    return Call<HANDLE>("CeFindFirstFile",
                        INVALID_HANDLE_VALUE,
                        Args(pattern, static_cast<const void*>(found)),
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
