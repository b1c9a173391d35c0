#include "device/device_listing.h"
#include "base/diag.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/wide_paths.h"
#include "device/device_leftovers.h"
#include "device/device_text.h"
#include "device/file_dates.h"
#include "device/host_files.h"
#include "device/remote_api.h"
#include "device/sync_list.h"
#include "device/transfer_rules.h"

namespace vezuved {

void ListKind(const DeviceTarget& target, DWORD type, DWORD routeFlag, const WCHAR* pcFolder) {
    DeviceHandle search(RemoteApi().CeFindFirstDatabaseEx(target.volume, type | routeFlag));
    if (!search.IsValid()) return;
    CEOID id = RemoteApi().CeFindNextDatabaseEx(search.Get(), target.volume);
    const char* heading = type == kTypeTrack ? (routeFlag == 1 ? "Routes" : "Tracks") : "Points";
    DiagPrint("\n%s:\n", heading);
    for (; id != 0; id = RemoteApi().CeFindNextDatabaseEx(search.Get(), target.volume)) {
        CEOIDINFO info;
        if (!ReadDatabaseInfo(target.volume, id, type, routeFlag, info)) {
            return;
        }
        const CEDBASEINFO& db = info.infDatabase;
        WCHAR name[kDeviceNameMax + 1];
        std::memcpy(name, db.szDbaseName, sizeof name);
        name[kDeviceNameMax] = 0;
        if (IsLeftoverDatabaseName(name)) continue;  // the library's own, not the user's
        const WideString path =
            JoinPcPath(pcFolder, WideString(name) + WideFrom(KindExtension(type, routeFlag)));
        HostFindData found;
        bool onPc = false;
        {
            HostSearch pc(HostFindFirstFile(path.c_str(), &found));
            onPc = pc.IsValid();
        }
        DiagPrint("%-22s", Narrow(name).c_str());
        DiagPrint("   %3d", static_cast<int>(db.wNumRecords));
        DiagPrint("   %s", ListingDate(db.ftLastModified).c_str());
        if (onPc) {
            DiagPrint(" %s", ListingDate(found.ftLastWriteTime).c_str());
            const int32_t order = CompareFileTimes(&db.ftLastModified, &found.ftLastWriteTime);
            DiagPrint("%s", order > 0 ? " Newer On Device" : (order < 0 ? " Newer On PC" : " Identical"));
            AddSyncPair(name, path.c_str());
        } else {
            DiagPrint("               Only on Device");
            AddSyncPair(name, nullptr);
        }
        DiagPrint("\n");
    }
}

void ListPcFiles(const WCHAR* pcFolder) {
    const WideString folder(pcFolder);
    const WideString pattern = JoinPcPath(folder, WideFrom("*.*"));
    HostFindData found;
    HostSearch search(HostFindFirstFile(pattern.c_str(), &found));
    if (!search.IsValid()) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        const WideString path = JoinPcPath(folder, found.cFileName);
        const WideString ext = ExtensionOf(path);
        if (ext.empty()) continue;
        if (ClassifyExtension(ext.c_str(), nullptr, nullptr)) AddSyncPair(nullptr, path.c_str());
    } while (HostFindNextFile(search.Get(), &found));
}

int32_t ListDevice(const WCHAR* pcFolder, const WCHAR* deviceFolder, uint32_t options) {
    const WideString pc = pcFolder != nullptr ? WideString(pcFolder) : CurrentDirectory();
    if (pc.empty()) {
        DiagPrint("No PC Folder Name specified\n");
        return -1;
    }
    const WideString device =
        deviceFolder != nullptr ? WideString(deviceFolder) : WideString(kDefaultDeviceFolder);
    const int32_t loaded = LoadRemoteApi(nullptr);
    if (loaded != 0) return loaded;
    RemoteApiSession session;

    DiagPrint("Name                  Records Dev Modified       PC Modified\n");
    DiagPrint("-----------------------------------------------------------\n");
    {
        MountedVolume volume = MountDeviceVolume(device.c_str(), true, options);
        if (volume.Get() != nullptr) {
            DeviceTarget target;
            target.volume = volume.Get();
            target.folder = device;
            HealInterruptedSwaps(target);
            ListKind(target, kTypePoints, 0, pc.c_str());
            ListKind(target, kTypeTrack, 1, pc.c_str());
            ListKind(target, kTypeTrack, 0, pc.c_str());
        }
    }
    StopRemoteApi();
    ListPcFiles(pc.c_str());
    PrintPcOnlyFiles();
    WriteSyncFile(pc.c_str());
    FreeSyncList();
    return 0;
}

}  // namespace vezuved
