#include "device/device_leftovers.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/diag.h"
#include "base/wide_paths.h"
#include "device/device_text.h"

namespace vezuved {

namespace {

const char kDatabasePrefix[] = "~vezuved ";
constexpr CEPROPID kJournalTarget = 0x0001001F;
constexpr CEPROPID kJournalAside = 0x0002001F;
constexpr CEPROPID kJournalFresh = 0x0003001F;
// Numbers tried for a visible name of a set-aside database nothing names.
constexpr int kRecoveredNames = 99;
// Journals (and set-aside names) one volume can hold at once.
constexpr int kJournalNumbers = 9;

bool StartsWithAscii(const WideString& text, const char* prefix, size_t at = 0) {
    for (size_t i = 0; prefix[i] != 0; ++i)
        if (at + i >= text.size() || text[at + i] != static_cast<WCHAR>(prefix[i])) return false;
    return true;
}

bool AllDigits(const WideString& text, size_t from) {
    if (from >= text.size()) return false;
    for (size_t i = from; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// "<role> <digits>" after the prefix, for one of the roles.
bool HasRole(const WideString& name, const char* role) {
    const size_t at = sizeof kDatabasePrefix - 1;
    const size_t length = std::strlen(role);
    return StartsWithAscii(name, kDatabasePrefix) && StartsWithAscii(name, role, at) &&
           at + length < name.size() && name[at + length] == ' ' && AllDigits(name, at + length + 1);
}

// ".~vz<role><digits>" at the end of a file name: where it starts, or npos.
size_t FileRoleAt(const WideString& name, const char* role) {
    const std::string mark = std::string(".~vz") + role;
    for (size_t at = name.rfind(static_cast<WCHAR>('.')); at != WideString::npos && at > 0;
         at = name.rfind(static_cast<WCHAR>('.'), at - 1)) {
        if (StartsWithAscii(name, mark.c_str(), at) && AllDigits(name, at + mark.size())) return at;
    }
    return WideString::npos;
}

struct FoundDatabase {
    CEOID oid;
    WideString name;
    FILETIME modified;
};

// Every database of a type (0: all), or false when the enumeration fails.
bool ListDatabases(CEGUID* volume, DWORD type, std::vector<FoundDatabase>& found) {
    DeviceHandle search(RemoteApi().CeFindFirstDatabaseEx(volume, type));
    if (!search.IsValid()) return false;
    for (CEOID id = RemoteApi().CeFindNextDatabaseEx(search.Get(), volume); id != 0;
         id = RemoteApi().CeFindNextDatabaseEx(search.Get(), volume)) {
        CEOIDINFO info;
        std::memset(&info, 0, sizeof info);
        info.wObjType = OBJTYPE_DATABASE;
        if (!RemoteApi().CeOidGetInfoEx(volume, id, &info)) return false;
        found.push_back({id, DatabaseNameOf(info.infDatabase), info.infDatabase.ftLastModified});
    }
    return true;
}

bool Delete(CEGUID* volume, CEOID oid) {
    return oid == 0 || RemoteApi().CeDeleteDatabaseEx(volume, oid) != FALSE;
}

// The three names of a journal; false when its record cannot be read.
bool ReadSwapJournal(
    CEGUID* volume, CEOID journal, WideString& target, WideString& aside, WideString& fresh) {
    CEOID oid = journal;
    DeviceHandle db(RemoteApi().CeOpenDatabaseEx(volume, &oid, nullptr, 0, 0, nullptr));
    if (!db.IsValid()) return false;
    WORD count = 0;
    RemoteBuffer properties;
    const CEOID record = ReadRecordProperties(db.Get(), count, properties);
    const auto* values = static_cast<const CEPROPVAL*>(properties.get());
    if (record == 0 || values == nullptr) return false;
    for (WORD i = 0; i < count; ++i) {
        if ((values[i].wFlags & CEDB_PROPNOTFOUND) != 0 || values[i].val.lpwstr == nullptr) continue;
        const WideString text(values[i].val.lpwstr);
        if (values[i].propid == kJournalTarget) target = text;
        if (values[i].propid == kJournalAside) aside = text;
        if (values[i].propid == kJournalFresh) fresh = text;
    }
    return !target.empty() && HasRole(aside, "old") && HasRole(fresh, "new");
}

// Finishes or rolls back one journaled swap; true when nothing of it is left.
bool HealSwap(CEGUID* volume, const WideString& target, const WideString& aside, const WideString& fresh) {
    FILETIME asideTime{};
    const CEOID named = FindDatabaseByName(volume, target);
    const CEOID setAside = FindDatabaseByName(volume, aside, &asideTime);
    const CEOID built = FindDatabaseByName(volume, fresh);
    if (setAside == 0) return Delete(volume, built);  // never set aside, or already done
    if (named != 0) return Delete(volume, setAside);  // the new copy holds the name: finish
    // The name is free: the user's copy gets it back, the new one goes.
    return RenameDeviceDatabase(volume, setAside, target, asideTime) && Delete(volume, built);
}

// A set-aside database no journal names gets a name the user sees.
void RecoverUnnamed(CEGUID* volume, const FoundDatabase& db) {
    for (int n = 1; n <= kRecoveredNames; ++n) {
        const WideString name = WideFrom(("recovered " + std::to_string(n)).c_str());
        if (FindDatabaseByName(volume, name) != 0) continue;
        if (!RenameDeviceDatabase(volume, db.oid, name, db.modified)) break;
        DiagCause("a database set aside by an interrupted copy to the handheld is kept there as '" +
                  Narrow(name) + "'");
        return;
    }
    DiagCause("a database set aside by an interrupted copy stays on the handheld as '" + Narrow(db.name) +
              "'");
}

bool HealDatabases(CEGUID* volume) {
    std::vector<FoundDatabase> journals;
    bool healed = ListDatabases(volume, kTypeSwapJournal, journals);
    for (const FoundDatabase& journal : journals) {
        WideString target, aside, fresh;
        if (!ReadSwapJournal(volume, journal.oid, target, aside, fresh)) {
            // A journal that names nothing usable goes; what it was about
            // is then recovered below as unnamed, never lost.
            if (!Delete(volume, journal.oid)) healed = false;
            continue;
        }
        if (HealSwap(volume, target, aside, fresh) && Delete(volume, journal.oid)) continue;
        DiagCause("an interrupted copy of '" + Narrow(target) + "' to the handheld could not be healed yet");
        healed = false;
    }
    if (!healed) return false;  // what a journal still names is not touched
    std::vector<FoundDatabase> all;
    if (!ListDatabases(volume, 0, all)) return false;
    for (const FoundDatabase& db : all) {
        if (HasRole(db.name, "new")) {
            healed = Delete(volume, db.oid) && healed;
        } else if (HasRole(db.name, "old")) {
            RecoverUnnamed(volume, db);
        }
    }
    return healed;
}

// Files in the device folder: a set-aside file goes back when its name is
// free and goes when the new copy has it; a new copy not moved in goes.
void HealFiles(const WideString& folder) {
    std::vector<WideString> names;
    {
        CE_FIND_DATA found;
        std::memset(&found, 0, sizeof found);
        DeviceSearch search(
            RemoteApi().CeFindFirstFile(JoinDevPath(folder, WideFrom("*.~vz*")).c_str(), &found));
        if (!search.IsValid()) return;
        do {
            const WideString name(found.cFileName);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLeftoverFileName(name))
                names.push_back(name);
        } while (RemoteApi().CeFindNextFile(search.Get(), &found));
    }
    for (const char* role : {"old", "new"}) {
        for (const WideString& name : names) {
            const size_t at = FileRoleAt(name, role);
            if (at == WideString::npos) continue;
            const WideString path = JoinDevPath(folder, name);
            const WideString target = JoinDevPath(folder, name.substr(0, at));
            CE_FIND_DATA found;
            DeviceSearch existing(RemoteApi().CeFindFirstFile(target.c_str(), &found));
            const bool named = existing.IsValid();
            existing.Close();
            const bool done = std::string(role) == "old" && !named
                                  ? RemoteApi().CeMoveFile != nullptr &&
                                        RemoteApi().CeMoveFile(path.c_str(), target.c_str())
                                  : RemoteApi().CeDeleteFile(path.c_str());
            if (!done)
                DiagCause("an interrupted copy of '" + Narrow(target) +
                          "' to the handheld could not be healed yet");
        }
    }
}

}  // namespace

bool IsLeftoverDatabaseName(const WCHAR* name) {
    if (name == nullptr) return false;
    const WideString text(name);
    return HasRole(text, "new") || HasRole(text, "old") || HasRole(text, "swap");
}

bool IsLeftoverFileName(const WideString& name) {
    return FileRoleAt(name, "new") != WideString::npos || FileRoleAt(name, "old") != WideString::npos;
}

WideString LeftoverDatabaseName(const char* role, int number) {
    return WideFrom((std::string(kDatabasePrefix) + role + " " + std::to_string(number)).c_str());
}

bool RenameDeviceDatabase(CEGUID* volume, CEOID oid, const WideString& name, const FILETIME& time) {
    CEDBASEINFO info;
    std::memset(&info, 0, sizeof info);
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDMODTIME;
    std::memcpy(info.szDbaseName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    info.ftLastModified = time;
    return RemoteApi().CeSetDatabaseInfoEx(volume, oid, &info) != FALSE;
}

CEOID FindDatabaseByName(CEGUID* volume, const WideString& name, FILETIME* modified) {
    std::vector<FoundDatabase> all;
    ListDatabases(volume, 0, all);
    for (const FoundDatabase& db : all) {
        if (db.name != name) continue;
        if (modified != nullptr) *modified = db.modified;
        return db.oid;
    }
    return 0;
}

CEOID WriteSwapJournal(CEGUID* volume, const WideString& target, const WideString& fresh, WideString& aside) {
    CEDBASEINFO info;
    std::memset(&info, 0, sizeof info);
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE;
    info.dwDbaseType = kTypeSwapJournal;
    CEOID journal = 0;
    for (int n = 1; n <= kJournalNumbers && journal == 0; ++n) {
        aside = LeftoverDatabaseName("old", n);
        if (FindDatabaseByName(volume, aside) != 0) continue;  // left by an older release
        const WideString name = LeftoverDatabaseName("swap", n);
        std::memcpy(info.szDbaseName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
        journal = RemoteApi().CeCreateDatabaseEx(volume, &info);
    }
    if (journal == 0) return 0;
    WideString texts[] = {target, aside, fresh};  // copies: the call takes texts it may write
    const CEPROPID ids[std::size(texts)] = {kJournalTarget, kJournalAside, kJournalFresh};
    CEPROPVAL props[std::size(texts)];
    std::memset(props, 0, sizeof props);
    for (size_t i = 0; i < std::size(texts); ++i) {
        props[i].propid = ids[i];
        props[i].val.lpwstr = texts[i].data();
    }
    CEOID oid = journal;
    DeviceHandle db(RemoteApi().CeOpenDatabaseEx(volume, &oid, nullptr, 0, 0, nullptr));
    const bool written =
        db.IsValid() && RemoteApi().CeWriteRecordProps(db.Get(), 0, std::size(props), props) != 0;
    const HANDLE raw = db.Release();
    const bool closed =
        raw == nullptr || raw == INVALID_HANDLE_VALUE || RemoteApi().CeCloseHandle(raw) != FALSE;
    if (written && closed) return journal;
    RemoteApi().CeDeleteDatabaseEx(volume, journal);
    return 0;
}

void HealInterruptedSwaps(const DeviceTarget& target) {
    if (target.volume != nullptr) HealDatabases(target.volume);
    HealFiles(target.folder);
}

}  // namespace vezuved
