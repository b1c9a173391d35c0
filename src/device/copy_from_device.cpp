#include "device/copy_from_device.h"

#include <cstdio>
#include <cstring>

#include "device/copy_to_device.h"
#include "device/chunk_copy.h"
#include "device/device_session.h"
#include "device/device_text.h"
#include "device/sync_list.h"
#include "device/transfer_rules.h"

namespace {


unsigned long Hex32(int64_t value) { return static_cast<unsigned long>(static_cast<uint32_t>(value)); }

bool IsDatabaseType(DWORD type) { return type == kTypePoints || type == kTypeTrack; }

bool PcFileTime(const WideString& path, FILETIME* written) {
    HostFindData found;
    HostSearch search(HostFindFirstFile(path.c_str(), &found));
    if (!search.IsValid()) return false;
    if (written != nullptr) *written = found.ftLastWriteTime;
    return true;
}

int32_t CopyDatabasesFromDevice(const DeviceTarget& target, DWORD type, DWORD routeFlag, const WCHAR* filter,
                                const WideString& pcFolder, uint32_t options) {
    DeviceHandle search(g_remoteApi.CeFindFirstDatabaseEx(target.volume, type | routeFlag));
    if (!search.IsValid()) return 0;
    CEOID id = g_remoteApi.CeFindNextDatabaseEx(search.Get(), target.volume);
    if (id == 0) return 0;
    HostCreateDirectory(pcFolder.c_str());  // an existing folder is fine
    const bool anyName = filter == nullptr || filter[0] == 0 || WideString(filter) == WideFrom("*.*");

    int32_t result = 0;
    for (; id != 0; id = g_remoteApi.CeFindNextDatabaseEx(search.Get(), target.volume)) {
        CEOIDINFO info;
        if (!ReadDatabaseInfo(target.volume, id, type, routeFlag, info)) {
            return -1;
        }
        const CEDBASEINFO& dbInfo = info.infDatabase;
        WCHAR name[kDeviceNameMax + 1];
        std::memcpy(name, dbInfo.szDbaseName, sizeof name);
        name[kDeviceNameMax] = 0;
        if (dbInfo.wNumRecords == 0) continue;
        if (!anyName && WideCompareNoCase(filter, name) != 0) continue;

        const WideString path = JoinPcPath(pcFolder, WideString(name) + WideFrom(KindExtension(type, routeFlag)));
        FILETIME pcTime{};
        int32_t order = 1;  // a missing PC file counts as older
        if (PcFileTime(path, &pcTime)) order = CompareFileTimes(&dbInfo.ftLastModified, &pcTime);
        if ((options & optAlways) == 0 && order <= 0) {
            std::printf(order < 0 ? "Database on PC is Newer: %s\n" : "Database is up to date: %s\n",
                        Narrow(path).c_str());
            continue;
        }
        DeviceDatabase db;
        db.oid = id;
        db.volume = target.volume;
        db.type = type;
        db.routeFlag = routeFlag;
        db.recordCount = dbInfo.wNumRecords;
        std::memcpy(db.name, name, sizeof name);
        result = DeviceDatabaseToFile(db, target, path.c_str(), false, dbInfo.ftLastModified);
        if (result < 0) break;
    }
    return result;
}

int32_t CopyPlainFilesFromDevice(const DeviceTarget& target, DWORD type, const WCHAR* filter,
                                 const WideString& pcFolder, uint32_t options) {
    const char* defaultPattern = type == kTypeResources ? "*.prc" : (type == kTypeMaps ? "*.rlm" : "*.rli");
    const WideString pattern =
        JoinDevPath(target.folder, filter != nullptr && filter[0] != 0 ? WideString(filter) : WideFrom(defaultPattern));
    CE_FIND_DATA found;
    std::memset(&found, 0, sizeof found);
    HANDLE handle = g_remoteApi.CeFindFirstFile(pattern.c_str(), &found);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return 0;
    HostCreateDirectory(pcFolder.c_str());
    int32_t result = 0;
    do {
        const WideString name(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // A pattern may match folders; they hold no file to copy.
            std::printf("Device folder not copied: %s\n", Narrow(JoinDevPath(target.folder, name)).c_str());
            continue;
        }
        result = CopyPlainFileFromDevice(target, pcFolder.c_str(), name.c_str(), options, false);
        if (type == kTypeMaps && (result == 0 || result == devReplaced)) {
            const WideString companion = MapCompanionName(name);
            if (!companion.empty())
                result = CopyPlainFileFromDevice(target, pcFolder.c_str(), companion.c_str(), options, false);
        }
        if (result == devCancelled) break;
    } while (g_remoteApi.CeFindNextFile(handle, &found));
    g_remoteApi.CeFindClose(handle);
    return result;
}

}  // namespace

int32_t CopyKindFromDevice(const DeviceTarget& target, DWORD type, DWORD routeFlag, const WCHAR* filter,
                           const WCHAR* pcFolder, uint32_t options) {
    const WideString folder(pcFolder);
    if (IsDatabaseType(type)) return CopyDatabasesFromDevice(target, type, routeFlag, filter, folder, options);
    return CopyPlainFilesFromDevice(target, type, filter, folder, options);
}

int32_t CopyPlainFileFromDevice(const DeviceTarget& target, const WCHAR* pcFolder, const WCHAR* name,
                                uint32_t options, bool move) {
    const WideString devicePath = JoinDevPath(target.folder, name);
    WideString pcPath = JoinPcPath(pcFolder, name);
    FILETIME pcTime{};
    const bool exists = PcFileTime(pcPath, &pcTime);

    DeviceHandle device(g_remoteApi.CeCreateFile(devicePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
    if (!device.IsValid()) {
        std::printf("Unable to open device file: %s\n", Narrow(devicePath).c_str());
        return devErrOpenSource;
    }
    DWORD high = 0;
    const DWORD low = g_remoteApi.CeGetFileSize(device.Get(), &high);
    const int32_t size = ProgressValue((static_cast<uint64_t>(high) << 32) | low);
    FILETIME deviceTime{};
    g_remoteApi.CeGetFileTime(device.Get(), nullptr, nullptr, &deviceTime);

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
        if (choice.freeNumber != 0) {
            pcPath = NumberedPcPath(pcFolder, base, ext, choice.freeNumber);
        } else {
            if (!HostDeleteFile(pcPath.c_str())) {
                std::printf("Unable to overwrite Host/PC file: %s, Err=%lx\n", Narrow(pcPath).c_str(), Hex32(-1));
                return -1;
            }
            replaced = true;
        }
    }

    std::printf("Copying from Device: %s\n", Narrow(pcPath).c_str());
    HostFile file(HostCreateFile(pcPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        std::printf("Unable to create destination file: %s\n", Narrow(pcPath).c_str());
        return -1;
    }
    CopyProgress progress(pcPath.c_str());
    const int32_t result = CopyChunks(
        [&](char* buffer, DWORD count, DWORD* got) {
            return g_remoteApi.CeReadFile(device.Get(), buffer, count, got, nullptr) != 0;
        },
        [&](const char* data, DWORD count, DWORD* written) {
            return HostWriteFile(file.Get(), data, count, written) != 0;
        },
        progress, size, pcPath.c_str());
    progress.End(result, size, size);
    device.Close();
    if (result == 0) {
        if (move) g_remoteApi.CeDeleteFile(devicePath.c_str());
        HostSetFileTime(file.Get(), &deviceTime, &deviceTime, &deviceTime);
    }
    file.Close();
    return result == 0 && replaced ? devReplaced : result;
}

int32_t CopyFromDevice(const WCHAR* deviceFolder, const WCHAR* filter, const WCHAR* pcFolder, uint32_t options) {
    const WideString pc = pcFolder != nullptr ? WideString(pcFolder) : CurrentDirectory();
    if (pc.empty()) {
        std::printf("No PC Folder Name specified\n");
        return -1;
    }
    const WideString device = deviceFolder != nullptr ? WideString(deviceFolder) : WideString(kDefaultDeviceFolder);
    DWORD type = 0;
    DWORD routeFlag = 0;
    bool all = false;
    switch (g_forcedKind) {
        case 2: type = kTypeTrack; routeFlag = 1; break;
        case 1: type = kTypeTrack; break;
        case 8: type = kTypeMaps; break;
        case 9: type = kTypeIcons; break;
        case 0: type = kTypePoints; break;
        case 10: type = kTypeResources; break;
        default: all = true; break;
    }
    return RunOnMountedDevice(device, options, [&](const DeviceTarget& target) {
        if (!all) return CopyKindFromDevice(target, type, routeFlag, filter, pc.c_str(), options);
        int32_t result = CopyKindFromDevice(target, kTypePoints, 0, filter, pc.c_str(), options);
        if (result == 0) result = CopyKindFromDevice(target, kTypeTrack, 1, filter, pc.c_str(), options);
        if (result == 0) result = CopyKindFromDevice(target, kTypeTrack, 0, filter, pc.c_str(), options);
        return result;
    });
}
