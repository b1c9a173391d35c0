#include "device/device_volume.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/diag.h"
#include "base/wide_paths.h"
#include "device/device_text.h"
#include "device/transfer_rules.h"
#include "state/device_state.h"

namespace vezuved {

namespace {

const WCHAR kVolumeName[] = VZ_WIDE("RoverlogDBV.cdb");

}  // namespace

void MountedVolume::Unmount() {
    if (guid_ && RemoteApi().CeUnmountDBVol != nullptr) RemoteApi().CeUnmountDBVol(guid_.get());
}

void DeviceDatabase::ReleaseRecord() {
    propertyBuffer.reset();
    text = nullptr;
}

MountedVolume MountDeviceVolume(const WCHAR* folder, bool report, uint32_t options) {
    std::unique_ptr<CEGUID> guid(new (std::nothrow) CEGUID{});
    WideString path = JoinDevPath(folder != nullptr ? WideString(folder) : WideString(), kVolumeName);
    if (!guid) return MountedVolume();
    BOOL mounted;
    if ((options & optCreateVolume) != 0) {
        RemoteApi().CeCreateDirectory(folder, nullptr);  // an existing folder is fine
        mounted = RemoteApi().CeMountDBVol(guid.get(), &path[0], OPEN_ALWAYS);
    } else {
        mounted = RemoteApi().CeMountDBVol(guid.get(), &path[0], OPEN_EXISTING);
    }
    if (mounted) return MountedVolume(std::move(guid));
    if (report) DiagPrint("Can't mount Database Volume: %s", Narrow(path).c_str());
    return MountedVolume();
}

int32_t ClassifyExtension(const WCHAR* ext, DWORD* type, DWORD* routeFlag) {
    DWORD localType = 0;
    DWORD localFlag = 0;
    DWORD& t = type != nullptr ? *type : localType;
    DWORD& f = routeFlag != nullptr ? *routeFlag : localFlag;
    t = kTypePoints;
    f = 0;
    if (ext == nullptr) return 0;
    const WideString e(ext);
    const int32_t k = DeviceSettings().forcedKind;
    if (k == 2 || EqualsNoCase(e, ".rlr")) {
        t = kTypeTrack;
        f = 1;
    } else if (k == 1 || EqualsNoCase(e, ".rlt")) {
        t = kTypeTrack;
    } else if (k == 0 || EqualsNoCase(e, ".rlp") || EqualsNoCase(e, ".csv")) {
        t = kTypePoints;
    } else if (k == 8 || EqualsNoCase(e, ".rlm")) {
        t = kTypeMaps;
    } else if (k == 9 || EqualsNoCase(e, ".rli")) {
        t = kTypeIcons;
    } else if (k == 10 || EqualsNoCase(e, ".prc")) {
        t = kTypeResources;
    } else {
        return 0;
    }
    return 1;
}

const char* KindExtension(DWORD type, DWORD routeFlag) {
    switch (type) {
        case kTypeMaps:
            return ".rlm";
        case kTypeTrack:
            return routeFlag == 1 ? ".rlr" : ".rlt";
        case kTypeIcons:
            return ".rli";
        case kTypeResources:
            return ".prc";
        default:
            return ".rlp";
    }
}

int32_t FindDeviceDatabase(
    CEGUID* volume, DWORD type, DWORD routeFlag, const WCHAR* name, CEOID* oid, FILETIME* modified) {
    DeviceHandle search(RemoteApi().CeFindFirstDatabaseEx(volume, type | routeFlag));
    if (!search.IsValid()) return -1;
    for (CEOID id = RemoteApi().CeFindNextDatabaseEx(search.Get(), volume); id != 0;
         id = RemoteApi().CeFindNextDatabaseEx(search.Get(), volume)) {
        CEOIDINFO info;
        std::memset(&info, 0, sizeof info);
        info.wObjType = OBJTYPE_DATABASE;
        if (!RemoteApi().CeOidGetInfoEx(volume, id, &info)) continue;
        if (DatabaseNameOf(info.infDatabase) != name) continue;
        if (oid != nullptr) *oid = id;
        if (modified != nullptr) *modified = info.infDatabase.ftLastModified;
        return 0;
    }
    return -1;
}

bool ReadDatabaseInfo(CEGUID* volume, CEOID oid, DWORD type, DWORD routeFlag, CEOIDINFO& info) {
    std::memset(&info, 0, sizeof info);
    info.wObjType = OBJTYPE_DATABASE;
    if (RemoteApi().CeOidGetInfoEx(volume, oid, &info)) return true;
    DiagPrint("Error getting record info: Type: %lx Err: %ld\n",
              static_cast<unsigned long>(type | routeFlag),
              static_cast<long>(RemoteFailureError()));
    return false;
}

WideString DatabaseNameOf(const CEDBASEINFO& info) {
    return WideString(info.szDbaseName, std::find(info.szDbaseName, info.szDbaseName + kDeviceNameMax, 0));
}

int32_t OpenDeviceDatabase(DeviceDatabase& db, DWORD flags) {
    const CEPROPID sort = IsPointsType(db.type) ? kPropLongitude : kPropSequence;
    CEOID oid = db.oid;
    db.handle.Reset(RemoteApi().CeOpenDatabaseEx(db.volume, &oid, nullptr, sort, flags, nullptr));
    if (!db.handle.IsValid()) {
        db.handle.Reset(nullptr);
        return 0;
    }
    return 1;
}

void CloseDeviceDatabase(DeviceDatabase& db) {
    if (db.oid != 0) db.handle.Close();
    db.ReleaseRecord();
}

}  // namespace vezuved
