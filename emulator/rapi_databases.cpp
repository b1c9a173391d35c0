// The emulator's open databases: sort orders, seeking, and reading and
// writing records property by property.
#if defined(_WIN32)
#include <windows.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "emulator_state.h"

namespace emu {

namespace {

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
        case CEVT_LPWSTR:
            return CompareText(a.text, b.text, (sortFlags & CEDB_SORT_CASEINSENSITIVE) != 0);
        case CEVT_BLOB:
            return a.blob < b.blob ? -1 : (b.blob < a.blob ? 1 : 0);
        default:
            return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
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

size_t Align8(size_t n) { return (n + 7) & ~static_cast<size_t>(7); }

// Copies one property value from the caller's record.
bool TakeProperty(const CEPROPVAL& in, Property& out) {
    out = Property();
    out.id = in.propid;
    out.flags = in.wFlags & static_cast<WORD>(~CEDB_PROPDELETE);
    switch (TypeFromPropID(in.propid)) {
        case CEVT_I2:
        case CEVT_UI2:
            out.number = in.val.uiVal;
            return true;
        case CEVT_I4:
        case CEVT_UI4:
            out.number = in.val.ulVal;
            return true;
        case CEVT_BOOL:
            out.number = static_cast<uint32_t>(in.val.boolVal);
            return true;
        case CEVT_R8:
            std::memcpy(&out.number, &in.val.dblVal, sizeof(double));
            return true;
        case CEVT_FILETIME:
            out.number = FileTimeValue(in.val.filetime);
            return true;
        case CEVT_LPWSTR:
            if (in.val.lpwstr == nullptr) return false;
            out.text = in.val.lpwstr;
            return true;
        case CEVT_BLOB:
            if (in.val.blob.dwCount > 0 && in.val.blob.lpb == nullptr) return false;
            out.blob.assign(in.val.blob.lpb, in.val.blob.lpb + in.val.blob.dwCount);
            return true;
        default:
            return false;
    }
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

}  // namespace

}  // namespace emu

using namespace emu;

EMU_EXPORT HANDLE CeOpenDatabaseEx(
    PCEGUID guid, PCEOID poid, LPWSTR name, CEPROPID propid, DWORD flags, CENOTIFYREQUEST* request) {
    const std::string args = Args(guid, static_cast<const void*>(poid)) +
                             (poid != nullptr ? " oid " + std::to_string(*poid) : std::string()) + ", " +
                             Args(name) + ", " + Hex(propid) + ", " +
                             Args(flags, static_cast<const void*>(request));
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
            const auto sort = std::find_if(db->sorts.begin(), db->sorts.end(), [&](const SORTORDERSPEC& s) {
                return s.propid == propid;
            });
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
    return Call<CEOID>(
        "CeSeekDatabase", 0, Args(static_cast<const void*>(handle), seekType, value), [&]() -> CEOID {
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
                case CEDB_SEEK_BEGINNING:
                    target = static_cast<int64_t>(value);
                    break;
                case CEDB_SEEK_CURRENT:
                    target = currentIndex + static_cast<int32_t>(value);
                    break;
                case CEDB_SEEK_END:
                    target = count - 1 - static_cast<int64_t>(value);
                    break;
                case CEDB_SEEK_CEOID:
                    for (int64_t i = 0; i < count; ++i)
                        if (order[static_cast<size_t>(i)]->oid == value) target = i;
                    break;
                default:
                    g_device.lastError = ERROR_NOT_SUPPORTED;
                    return 0;
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
CEOID ReadRecordProps(const char* entry,
                      HANDLE handle,
                      DWORD flags,
                      LPWORD count,
                      CEPROPID* ids,
                      LPBYTE* buffer,
                      LPDWORD size,
                      HANDLE heap) {
    return Call<CEOID>(entry,
                       0,
                       Args(static_cast<const void*>(handle),
                            flags,
                            static_cast<const void*>(count),
                            static_cast<const void*>(ids),
                            static_cast<const void*>(buffer),
                            static_cast<const void*>(size),
                            static_cast<const void*>(heap)),
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
                                   case CEVT_UI2:
                                       out.val.uiVal = static_cast<USHORT>(prop->number);
                                       break;
                                   case CEVT_I4:
                                   case CEVT_UI4:
                                       out.val.ulVal = static_cast<ULONG>(prop->number);
                                       break;
                                   case CEVT_BOOL:
                                       out.val.boolVal = static_cast<BOOL>(prop->number);
                                       break;
                                   case CEVT_R8:
                                       std::memcpy(&out.val.dblVal, &prop->number, sizeof(double));
                                       break;
                                   case CEVT_FILETIME:
                                       out.val.filetime = MakeFileTime(prop->number);
                                       break;
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
                                   default:
                                       break;
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

EMU_EXPORT CEOID CeReadRecordPropsEx(
    HANDLE handle, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size, HANDLE heap) {
    return ReadRecordProps("CeReadRecordPropsEx", handle, flags, count, ids, buffer, size, heap);
}

EMU_EXPORT CEOID
CeReadRecordProps(HANDLE handle, DWORD flags, LPWORD count, CEPROPID* ids, LPBYTE* buffer, LPDWORD size) {
    return ReadRecordProps("CeReadRecordProps", handle, flags, count, ids, buffer, size, nullptr);
}

namespace {
CEOID WriteRecordProps(const char* entry, HANDLE handle, CEOID oid, WORD count, CEPROPVAL* values) {
    return Call<CEOID>(entry,
                       0,
                       Args(static_cast<const void*>(handle), oid, count, static_cast<const void*>(values)),
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
                                   const auto existing =
                                       std::find_if(props.begin(), props.end(), [&](const Property& p) {
                                           return p.id == incoming[i].id;
                                       });
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
