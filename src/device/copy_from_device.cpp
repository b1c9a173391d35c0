#include "device/copy_from_device.h"
#include "base/diag.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/wide_paths.h"
#include "device/chunk_copy.h"
#include "device/copy_to_device.h"
#include "device/device_database_to_text.h"
#include "device/device_leftovers.h"
#include "device/device_session.h"
#include "device/device_text.h"
#include "device/host_files.h"
#include "device/pc_replacement.h"
#include "device/transfer_rules.h"
#include "state/conversion_state.h"
#include "state/device_state.h"

namespace vezuved {

namespace {

bool IsDatabaseType(DWORD type) { return type == kTypePoints || type == kTypeTrack; }

bool PcFileTime(const WideString& path, FILETIME* written) {
    HostFindData found;
    HostSearch search(HostFindFirstFile(path.c_str(), &found));
    if (!search.IsValid()) return false;
    if (written != nullptr) *written = found.ftLastWriteTime;
    return true;
}

// A failure a loop over several copies keeps: a later success does not
// hide it.
int32_t Sticky(int32_t kept, int32_t latest) { return IsCopyFailure(kept) ? kept : latest; }

// An enumeration or search that yields nothing more ends well only when
// the device says there is nothing more.
bool EndedWell(std::initializer_list<DWORD> endErrors) {
    const DWORD error = RemoteApi().CeGetLastError();
    for (DWORD end : endErrors)
        if (error == end) return true;
    return false;
}

int32_t CopyDatabasesFromDevice(const ConversionState& state,
                                const DeviceTarget& target,
                                DWORD type,
                                DWORD routeFlag,
                                const WCHAR* filter,
                                const WideString& pcFolder,
                                uint32_t options) {
    DeviceHandle search(RemoteApi().CeFindFirstDatabaseEx(target.volume, type | routeFlag));
    if (!search.IsValid()) return -1;  // the device lists databases of every type, none or many
    CEOID id = RemoteApi().CeFindNextDatabaseEx(search.Get(), target.volume);
    if (id == 0) return EndedWell({ERROR_NO_MORE_ITEMS}) ? 0 : -1;
    PlatformCreateDirectory(pcFolder.c_str());  // an existing folder is fine
    const bool anyName = filter == nullptr || filter[0] == 0 || WideString(filter) == WideFrom("*.*");

    int32_t result = 0;
    for (; id != 0; id = RemoteApi().CeFindNextDatabaseEx(search.Get(), target.volume)) {
        CEOIDINFO info;
        if (!ReadDatabaseInfo(target.volume, id, type, routeFlag, info)) {
            return -1;
        }
        const CEDBASEINFO& dbInfo = info.infDatabase;
        const WideString name = DatabaseNameOf(dbInfo);
        if (dbInfo.wNumRecords == 0 || IsLeftoverDatabaseName(name.c_str())) continue;
        if (!anyName && WideCompareNoCase(filter, name.c_str()) != 0) continue;

        const WideString path = JoinPcPath(pcFolder, name + WideFrom(KindExtension(type, routeFlag)));
        FILETIME pcTime{};
        int32_t order = 1;  // a missing PC file counts as older
        if (PcFileTime(path, &pcTime)) order = CompareFileTimes(&dbInfo.ftLastModified, &pcTime);
        if ((options & optAlways) == 0 && order <= 0) {
            DiagPrint(order < 0 ? "Database on PC is Newer: %s\n" : "Database is up to date: %s\n",
                      Narrow(path).c_str());
            continue;
        }
        DeviceDatabase db;
        db.oid = id;
        db.volume = target.volume;
        db.type = type;
        db.routeFlag = routeFlag;
        db.recordCount = dbInfo.wNumRecords;
        std::copy(name.begin(), name.end(), db.name);  // it fits: db.name ends in a 0 of its own
        result = Sticky(result, DeviceDatabaseToFile(state, db, target, path.c_str(), dbInfo.ftLastModified));
        if (result < 0) break;
    }
    if (id == 0 && !EndedWell({ERROR_NO_MORE_ITEMS})) return Sticky(result, -1);
    return result;
}

int32_t CopyPlainFilesFromDevice(const DeviceTarget& target,
                                 DWORD type,
                                 const WCHAR* filter,
                                 const WideString& pcFolder,
                                 uint32_t options) {
    const char* defaultPattern = type == kTypeResources ? "*.prc" : (type == kTypeMaps ? "*.rlm" : "*.rli");
    const WideString pattern = JoinDevPath(
        target.folder, filter != nullptr && filter[0] != 0 ? WideString(filter) : WideFrom(defaultPattern));
    CE_FIND_DATA found;
    std::memset(&found, 0, sizeof found);
    DeviceSearch search(RemoteApi().CeFindFirstFile(pattern.c_str(), &found));
    if (!search.IsValid())
        return EndedWell({ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES, ERROR_PATH_NOT_FOUND}) ? 0 : -1;
    PlatformCreateDirectory(pcFolder.c_str());
    int32_t result = 0;
    for (;;) {
        const WideString name(found.cFileName);
        if (IsLeftoverFileName(name)) {
            // The library's own temporary file, never the user's.
        } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // A pattern may match folders; they hold no file to copy.
            DiagPrint("Device folder not copied: %s\n", Narrow(JoinDevPath(target.folder, name)).c_str());
        } else {
            int32_t latest = CopyPlainFileFromDevice(target, pcFolder.c_str(), name.c_str(), options, false);
            const WideString companion = type == kTypeMaps ? MapCompanionName(name) : WideString();
            if (!companion.empty() && (latest == 0 || latest == devReplaced))
                latest = CopyPlainFileFromDevice(target, pcFolder.c_str(), companion.c_str(), options, false);
            result = Sticky(result, latest);
            if (latest == devCancelled) break;
        }
        if (!RemoteApi().CeFindNextFile(search.Get(), &found)) {
            if (!EndedWell({ERROR_NO_MORE_FILES})) result = Sticky(result, -1);
            break;
        }
    }
    return result;
}

}  // namespace

int32_t CopyKindFromDevice(const ConversionState& state,
                           const DeviceTarget& target,
                           DWORD type,
                           DWORD routeFlag,
                           const WCHAR* filter,
                           const WCHAR* pcFolder,
                           uint32_t options) {
    const WideString folder(pcFolder);
    if (IsDatabaseType(type))
        return CopyDatabasesFromDevice(state, target, type, routeFlag, filter, folder, options);
    return CopyPlainFilesFromDevice(target, type, filter, folder, options);
}

int32_t CopyPlainFileFromDevice(
    const DeviceTarget& target, const WCHAR* pcFolder, const WCHAR* name, uint32_t options, bool move) {
    const WideString devicePath = JoinDevPath(target.folder, name);
    WideString pcPath = JoinPcPath(pcFolder, name);
    FILETIME pcTime{};
    const bool exists = PcFileTime(pcPath, &pcTime);

    DeviceHandle device(RemoteApi().CeCreateFile(
        devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device.IsValid()) {
        DiagPrint("Unable to open device file: %s\n", Narrow(devicePath).c_str());
        return devErrOpenSource;
    }
    DWORD high = 0;
    const DWORD low = RemoteApi().CeGetFileSize(device.Get(), &high);
    const uint64_t size = (static_cast<uint64_t>(high) << 32) | low;
    FILETIME deviceTime{};
    if (low == INVALID_FILE_SIZE || !RemoteApi().CeGetFileTime(device.Get(), nullptr, nullptr, &deviceTime)) {
        DiagPrint("Unable to open device file: %s\n", Narrow(devicePath).c_str());
        return -1;
    }

    bool replaced = false;
    if (exists) {
        const int32_t status = CompareTimes(deviceTime, pcTime);
        if (SkipWithMessage(CopyRule::PlainFromDevice, status, options, pcPath.c_str())) return status;
        const WideString whole(name);
        const size_t dot = whole.rfind(static_cast<WCHAR>('.'));
        const WideString base = dot == WideString::npos ? whole : whole.substr(0, dot);
        const WideString ext = dot == WideString::npos ? WideString() : whole.substr(dot + 1);
        const ReplaceChoice choice =
            ChooseReplace(options, status, pcPath.c_str(), &deviceTime, &pcTime, [&](int32_t number) {
                return !PcFileTime(NumberedPcPath(pcFolder, base, ext, number), nullptr);
            });
        if (choice.stop != 0) return choice.stop;
        if (choice.freeNumber != 0)
            pcPath = NumberedPcPath(pcFolder, base, ext, choice.freeNumber);
        else
            replaced = true;  // by the complete copy, moved over it at the end
    }

    DiagPrint("Copying from Device: %s\n", Narrow(pcPath).c_str());
    PcReplacement file;
    if (!file.Create(pcPath)) {
        DiagPrint("Unable to create destination file: %s\n", Narrow(pcPath).c_str());
        return -1;
    }
    CopyProgress progress(pcPath.c_str());
    int32_t result = CopyChunks(
        [&](char* buffer, DWORD count, DWORD* got) {
            return RemoteApi().CeReadFile(device.Get(), buffer, count, got, nullptr) != 0;
        },
        [&](const char* data, DWORD count, DWORD* written) {
            *written = count;
            return file.Write(data, count);
        },
        progress,
        size,
        devicePath.c_str(),
        pcPath.c_str());
    device.Close();
    if (result == 0 && !file.Commit(&deviceTime)) {
        DiagPrint("Unable to overwrite Host/PC file: %s, Err=%lx\n", Narrow(pcPath).c_str(), Hex32(-1));
        result = -1;
    }
    file.Abandon();
    progress.End(result, ProgressValue(size), ProgressValue(size));
    if (result == 0 && move) RemoteApi().CeDeleteFile(devicePath.c_str());
    return result == 0 && replaced ? devReplaced : result;
}

int32_t CopyFromDevice(ConversionState& state,
                       const WCHAR* deviceFolder,
                       const WCHAR* filter,
                       const WCHAR* pcFolder,
                       uint32_t options,
                       int32_t kind) {
    ResetConversionState(state);
    // Kept for the listings that follow (device_state.h).
    DeviceSettings().forcedKind = kind;
    const WideString pc = pcFolder != nullptr ? WideString(pcFolder) : CurrentDirectory();
    if (pc.empty()) {
        DiagPrint("No PC Folder Name specified\n");
        return -1;
    }
    const WideString device =
        deviceFolder != nullptr ? WideString(deviceFolder) : WideString(kDefaultDeviceFolder);
    DWORD type = 0;
    DWORD routeFlag = 0;
    bool all = false;
    switch (DeviceSettings().forcedKind) {
        case 2:
            type = kTypeTrack;
            routeFlag = 1;
            break;
        case 1:
            type = kTypeTrack;
            break;
        case 8:
            type = kTypeMaps;
            break;
        case 9:
            type = kTypeIcons;
            break;
        case 0:
            type = kTypePoints;
            break;
        case 10:
            type = kTypeResources;
            break;
        default:
            all = true;
            break;
    }
    return RunOnMountedDevice(device, options, [&](const DeviceTarget& target) {
        if (!all) return CopyKindFromDevice(state, target, type, routeFlag, filter, pc.c_str(), options);
        int32_t result = CopyKindFromDevice(state, target, kTypePoints, 0, filter, pc.c_str(), options);
        if (result == 0)
            result = CopyKindFromDevice(state, target, kTypeTrack, 1, filter, pc.c_str(), options);
        if (result == 0)
            result = CopyKindFromDevice(state, target, kTypeTrack, 0, filter, pc.c_str(), options);
        return result;
    });
}

}  // namespace vezuved
