// The emulator's database volumes: mounting the volume files, and the
// databases in them (enumerating, creating, describing, deleting).
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "emulator_state.h"

namespace emu {

namespace {

constexpr DWORD kVolumeGuidTag = 0x44455A56;  // "VZED"
#if defined(_WIN32)
constexpr const char* kHostSeparators = "\\/";
#else
constexpr const char* kHostSeparators = "/";
#endif

WCHAR Fold(WCHAR c) {
    return (c >= VZ_WIDE('a') && c <= VZ_WIDE('z')) ? static_cast<WCHAR>(c - VZ_WIDE('a') + VZ_WIDE('A')) : c;
}

bool NameTaken(const MountedVolume& volume, const WideText& name, CEOID except) {
    for (const Database& db : volume.data.databases)
        if (db.oid != except && CompareText(db.name, name, true) == 0) return true;
    return false;
}

bool DatabaseIsOpen(DWORD volume, CEOID oid) {
    for (const auto& entry : g_device.objects)
        if (entry.second.kind == Object::Kind::Database && entry.second.db.volume == volume &&
            entry.second.db.oid == oid)
            return true;
    return false;
}

void CopyName(WCHAR* dst, size_t capacity, const WideText& name) {
    const size_t n = std::min(name.size(), capacity - 1);
    std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n), dst);
    dst[n] = 0;
}

// The name info gives; none, with the error set, when it is empty or fills
// its field with no terminator.
std::optional<WideText> GivenName(const CEDBASEINFO& info) {
    const WCHAR* end = std::find(info.szDbaseName, info.szDbaseName + CEDB_MAXDBASENAMELEN, VZ_WIDE('\0'));
    if (end == info.szDbaseName || end == info.szDbaseName + CEDB_MAXDBASENAMELEN) {
        g_device.lastError = ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    return WideText(info.szDbaseName, end);
}

}  // namespace

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

int CompareText(const WideText& a, const WideText& b, bool ignoreCase) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const WCHAR x = ignoreCase ? Fold(a[i]) : a[i];
        const WCHAR y = ignoreCase ? Fold(b[i]) : b[i];
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

size_t PropertyDataSize(const Property& prop) {
    switch (TypeFromPropID(prop.id)) {
        case CEVT_LPWSTR:
            return (prop.text.size() + 1) * sizeof(WCHAR);
        case CEVT_BLOB:
            return prop.blob.size();
        default:
            return 0;
    }
}

}  // namespace emu

using namespace emu;

EMU_EXPORT BOOL CeMountDBVol(PCEGUID guid, LPWSTR path, DWORD flags) {
    return Call<BOOL>(
        "CeMountDBVol", FALSE, Args(static_cast<const void*>(guid), path, flags), [&]() -> BOOL {
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
                        const std::string folder =
                            slash == std::string::npos ? "." : resolved.substr(0, slash);
                        g_device.lastError =
                            KindOf(folder) != HostKind::None ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
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
                case CREATE_ALWAYS:
                    fresh = true;
                    break;
                case OPEN_ALWAYS:
                    fresh = !exists;
                    break;
                default:
                    g_device.lastError = ERROR_INVALID_PARAMETER;
                    return FALSE;
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
    return Call<CEOID>(
        "CeFindNextDatabaseEx", 0, Args(static_cast<const void*>(enumeration), guid), [&]() -> CEOID {
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
        const std::optional<WideText> name = GivenName(*info);
        if (!name) return 0;
        Database db;
        db.name = *name;
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
            const std::optional<WideText> given = GivenName(*info);
            if (!given) return FALSE;
            name = *given;
            if (NameTaken(*volume, name, oid)) {
                g_device.lastError = ERROR_DUP_NAME;
                return FALSE;
            }
        }
        if ((info->dwFlags & CEDB_VALIDSORTSPEC) != 0 && info->wNumSortOrder > CEDB_MAXSORTORDER) {
            g_device.lastError = ERROR_INVALID_PARAMETER;
            return FALSE;
        }
        return Commit(*volume,
                      [&](Volume& v) {
                          for (Database& db : v.databases) {
                              if (db.oid != oid) continue;
                              if ((info->dwFlags & CEDB_VALIDNAME) != 0) db.name = name;
                              if ((info->dwFlags & CEDB_VALIDTYPE) != 0) db.type = info->dwDbaseType;
                              if ((info->dwFlags & CEDB_VALIDSORTSPEC) != 0)
                                  db.sorts.assign(info->rgSortSpecs, info->rgSortSpecs + info->wNumSortOrder);
                              if ((info->dwFlags & CEDB_VALIDDBFLAGS) != 0)
                                  db.flags = info->dwFlags & CEDB_NOCOMPRESS;
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
    // Without a volume: the mounted volume that holds the database. For an
    // unknown database the GUID stays empty, which names no volume: the call
    // fails with ERROR_INVALID_PARAMETER, as for an unknown database.
    CEGUID guid{};
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (auto& entry : g_device.volumes)
            for (const Database& db : entry.second.data.databases)
                if (db.oid == oid) guid = entry.second.guid;
    }
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
        return Commit(*volume,
                      [&](Volume& v) {
                          v.databases.erase(std::remove_if(v.databases.begin(),
                                                           v.databases.end(),
                                                           [&](const Database& db) { return db.oid == oid; }),
                                            v.databases.end());
                          return true;
                      })
                   ? TRUE
                   : FALSE;
    });
}

EMU_EXPORT BOOL CeOidGetInfoEx(PCEGUID guid, CEOID oid, CEOIDINFO* info) {
    return Call<BOOL>(
        "CeOidGetInfoEx", FALSE, Args(guid, oid, static_cast<const void*>(info)), [&]() -> BOOL {
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
                        for (const Property& prop : record.properties)
                            size += sizeof(CEPROPVAL) + PropertyDataSize(prop);
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
