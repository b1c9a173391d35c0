#include "device/device_listing.h"
#include "base/diag.h"

#include <cstdio>
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

void ListKind(const DeviceTarget& target,
              DWORD type,
              DWORD routeFlag,
              const WCHAR* pcFolder,
              std::vector<ListingRow>& rows) {
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
        const WideString name = DatabaseNameOf(db);
        if (IsLeftoverDatabaseName(name.c_str())) continue;  // the library's own, not the user's
        const WideString path = JoinPcPath(pcFolder, name + WideFrom(KindExtension(type, routeFlag)));
        HostFindData found;
        bool onPc = false;
        {
            HostSearch pc(HostFindFirstFile(path.c_str(), &found));
            onPc = pc.IsValid();
        }
        ListingRow row{
            heading, Narrow(name), static_cast<int>(db.wNumRecords), ListingDate(db.ftLastModified), {}, {}};
        DiagPrint("%-22s", row.name.c_str());
        DiagPrint("   %3d", row.records);
        DiagPrint("   %s", row.deviceModified.c_str());
        if (onPc) {
            row.pcModified = ListingDate(found.ftLastWriteTime);
            DiagPrint(" %s", row.pcModified.c_str());
            const int32_t order = CompareFileTimes(&db.ftLastModified, &found.ftLastWriteTime);
            row.state = order > 0 ? "Newer On Device" : (order < 0 ? "Newer On PC" : "Identical");
            DiagPrint(" %s", row.state.c_str());
            AddSyncPair(name.c_str(), path.c_str());
        } else {
            row.state = "Only on Device";
            DiagPrint("               %s", row.state.c_str());
            AddSyncPair(name.c_str(), nullptr);
        }
        DiagPrint("\n");
        rows.push_back(std::move(row));
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

DeviceListing ListDevice(const WCHAR* pcFolder,
                         const WCHAR* deviceFolder,
                         uint32_t options,
                         PathEncoding paths) {
    DeviceListing listing;
    const WideString pc = pcFolder != nullptr ? WideString(pcFolder) : CurrentDirectory();
    if (pc.empty()) {
        DiagPrint("No PC Folder Name specified\n");
        listing.result = -1;
        return listing;
    }
    const WideString device =
        deviceFolder != nullptr ? WideString(deviceFolder) : WideString(kDefaultDeviceFolder);
    listing.result = LoadRemoteApi(nullptr);
    if (listing.result != 0) return listing;
    RemoteApiSession session;

    DiagPrint("Name                  Records Dev Modified       PC Modified\n");
    DiagPrint("-----------------------------------------------------------\n");
    {
        MountedVolume volume = MountDeviceVolume(device.c_str(), true, options);
        listing.volumeFound = volume.Get() != nullptr;
        if (listing.volumeFound) {
            DeviceTarget target;
            target.volume = volume.Get();
            target.folder = device;
            HealInterruptedSwaps(target);
            ListKind(target, kTypePoints, 0, pc.c_str(), listing.rows);
            ListKind(target, kTypeTrack, 1, pc.c_str(), listing.rows);
            ListKind(target, kTypeTrack, 0, pc.c_str(), listing.rows);
        }
    }
    StopRemoteApi();
    ListPcFiles(pc.c_str());
    listing.pcOnly = PrintPcOnlyFiles(paths);
    listing.syncFileWritten = WriteSyncFile(pc.c_str());
    FreeSyncList();
    return listing;
}

}  // namespace vezuved
