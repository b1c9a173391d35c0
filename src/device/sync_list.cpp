#include "device/sync_list.h"
#include "base/diag.h"

#include <cstdio>
#include <string>

#include "base/wide_paths.h"
#include "device/device_text.h"
#include "device/host_files.h"
#include "device/pc_replacement.h"

namespace vezuved {

namespace {

constexpr size_t kGrowth = 32;

bool Matches(const WideString& stored, const WCHAR* wanted) {
    return WideCompareNoCase(stored.c_str(), wanted) == 0;
}

}  // namespace

const std::vector<SyncEntry>& SyncList() { return DeviceSettings().syncList; }

void AddSyncPair(const WCHAR* name, const WCHAR* path) {
    std::vector<SyncEntry>& list = DeviceSettings().syncList;
    if (name != nullptr) {
        for (SyncEntry& entry : list) {
            if (Matches(entry.name, name)) {
                if (path != nullptr) entry.path = path;
                return;
            }
        }
    }
    if (path != nullptr) {
        for (SyncEntry& entry : list) {
            if (Matches(entry.path, path)) {
                if (name != nullptr) entry.name = name;
                return;
            }
        }
    }
    try {
        if (list.capacity() <= list.size()) list.reserve(list.size() + kGrowth);
        SyncEntry entry;
        if (name != nullptr) entry.name = name;
        if (path != nullptr) entry.path = path;
        list.push_back(std::move(entry));
    } catch (...) {
        FreeSyncList();  // out of memory: the list is emptied and the pair dropped
    }
}

std::vector<std::string> PrintPcOnlyFiles(PathEncoding encoding) {
    DiagPrint("\nFiles Only on PC\n");
    DiagPrint("====================================\n");
    std::vector<std::string> paths;
    for (const SyncEntry& entry : SyncList()) {
        if (entry.path.empty() || !entry.name.empty()) continue;
        paths.push_back(PcPathText(entry.path, encoding));
        DiagPrint("%s\n", paths.back().c_str());
    }
    if (paths.empty()) DiagPrint("none\n");
    return paths;
}

bool WriteSyncFile(const WCHAR* folder) {
    WideString where = folder != nullptr ? WideString(folder) : WideString();
    if (where.find(static_cast<WCHAR>('*')) != WideString::npos &&
        FindLastPathSeparator(where.c_str()) != nullptr)
        where = FolderPart(where);
    const WideString path = JoinPcPath(where, WideFrom("RLDBSync.inf"));
    // The host reads the file back: it sees the previous list or the whole
    // new one, never a part.
    PcReplacement file;
    bool written = file.Create(path);
    for (const SyncEntry& entry : SyncList()) {
        if (!written) break;
        const std::string line = Narrow(entry.path) + '\t' + Narrow(entry.name) + "\r\n";
        written = file.Write(line.data(), static_cast<DWORD>(line.size()));
    }
    if (written && file.Commit(nullptr)) return true;
    DiagPrint("Error !!! Writing sync file\n");
    return false;
}

void FreeSyncList() { std::vector<SyncEntry>().swap(DeviceSettings().syncList); }

}  // namespace vezuved
