#include "device/copy_to_device.h"
#include "base/check_error.h"
#include "base/diag.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_paths.h"
#include "device/chunk_copy.h"
#include "device/device_session.h"
#include "device/device_swap.h"
#include "device/device_text.h"
#include "device/host_files.h"
#include "device/text_to_device_database.h"
#include "device/transfer_rules.h"
#include "formats/format_catalogue.h"
#include "platform/host_file.h"
#include "platform/stale_temporaries.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/point_database_writer.h"
#include "state/conversion_state.h"
#include "state/device_state.h"
#include "text/export_text.h"
#include "text/import_text.h"

namespace vezuved {

namespace {

constexpr size_t kFormatExtensionMax = 10;
constexpr int32_t kWorkFolderAttempts = 999;

WideString InFolder(const WideString& folder, const WideString& name) {
    return folder.empty() ? name : JoinPcPath(folder, name);
}

bool IsDeviceKindExtension(const WideString& ext) {
    for (const char* kind : {".rlp", ".rlt", ".rlr", ".rlm", ".rli", ".prc"})
        if (EqualsNoCase(ext, kind)) return true;
    return false;
}

bool Succeeded(int32_t result) { return result == 0 || result == devReplaced; }

// A folder of the copy's own beside the source, where the converted text
// is written: the converter never writes over a user's file of the same
// name, and the folder being copied gains no new files. Removed, with the
// converted file, when the copy is done.
class WorkFolder {
public:
    ~WorkFolder() {
        if (!path_.empty()) {
            if (!output_.empty()) HostDeleteFile(output_.c_str());
            PlatformRemoveDirectory(path_.c_str());
        }
    }
    bool Create(const WideString& besideFolder) {
        // What a copy that was killed left here goes first, once a day old.
        RemoveStaleTemporaries(besideFolder.c_str());
        for (int32_t n = 1; n <= kWorkFolderAttempts; ++n) {
            const WideString candidate =
                InFolder(besideFolder, WideFrom(("~vezuved-convert-" + std::to_string(n)).c_str()));
            if (PlatformCreateDirectory(candidate.c_str())) {
                path_ = candidate;
                return true;
            }
        }
        return false;
    }
    const WideString& Path() const { return path_; }
    // The one file the converter wrote here, removed with the folder.
    void SetOutput(const std::string& written) { output_ = WideFrom(written.c_str()); }
    const WideString& Output() const { return output_; }

private:
    WideString path_;
    WideString output_;
};

// ".pdb" through the export, other text through the import, into the work
// folder, which records the file written.
int32_t ConvertToRecordText(ConversionState& state,
                            const WideString& path,
                            const WideString& ext,
                            const CopySettings& settings,
                            WorkFolder& work) {
    TextRequest request;
    request.source = PcPathText(path, state.Paths);
    TextResult result;
    if (EqualsNoCase(ext, ".pdb")) {
        request.output = PcPathText(work.Path(), state.Paths) + static_cast<char>(kHostPathSeparator);
        if (request.output.size() > kMaxPathLength) return -1;
        request.format = request.output;  // the export's rule for an output named without a definition
        result = ExportText(state, request);
    } else {
        int32_t kind = kKindUnknown;
        if (settings.format.has_value()) {
            request.format = *settings.format;
        } else {
            const std::string wanted = Narrow(ext.substr(1)).substr(0, kFormatExtensionMax);
            char found[kFormatSearchPathSize] = "";
            kind = FindFormatForExtension(state, kKindUnknown, wanted.c_str(), found);
            request.format = found;
        }
        // A kind outside 16 bits (none found) counts as not given.
        if (static_cast<int16_t>(kind) >= 0) request.kind = kind;
        // The output is named after the source: "<work>/<base>." keeps every
        // dot of the base name.
        request.output = PcPathText(InFolder(work.Path(), BaseNameOf(path) + WideFrom(".")), state.Paths);
        result = ImportText(state, request, true);
    }
    if (result.code == 0) work.SetOutput(result.written);
    return result.code;
}

// A ".pdb" read once and its records written into the device database of
// its kind, named after the file: no text file on the way.
int32_t DatabaseFileToDevice(
    ConversionState& state, const DeviceTarget& target, const WideString& path, uint32_t options, bool move) {
    FILETIME written{};
    {
        HostFile file(
            HostCreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !PlatformGetFileTime(file.Get(), nullptr, nullptr, &written)) {
            DiagPrint("Unable to open source/host file: %s\n", Narrow(path).c_str());
            return devErrOpenSource;
        }
    }
    RecordArray records;
    int32_t kind = kKindPoint;
    const int32_t count =
        DoReadPointDatabase(state, PcPathText(path, state.Paths).c_str(), &records.array, &kind);
    if (count < 0) {
        DiagPrint("Unable to Convert PalmOS Database: %s, Err=%lx\n", Narrow(path).c_str(), Hex32(count));
        return count;
    }
    records.count = count;
    DeviceDatabase db;
    db.volume = target.volume;
    db.type = kind == kKindPoint ? kTypePoints : kTypeTrack;
    db.routeFlag = kind == kKindRoute ? 1 : 0;
    const WideString name = BaseNameOf(path);
    return RecordsToDeviceDatabase(
        state,
        db,
        target,
        name,
        written,
        count,
        options,
        [&](DeviceDatabase& open, int32_t databaseKind, CopyProgress& progress) {
            RecordBytes bytes;
            for (int32_t i = 0; i < count; ++i) {
                const int32_t result = WriteNextRecord(state,
                                                       open,
                                                       databaseKind,
                                                       *RecordAt(records.array, static_cast<size_t>(i)),
                                                       i,
                                                       bytes,
                                                       [&] { return progress.Step(i + 1, count); });
                if (result != 0) return result;
            }
            return 0;
        },
        [&] {
            if (move) HostDeleteFile(path.c_str());
        });
}

// The copy's layout settings read the files already in a device kind; the
// forced kind stays for the listings that follow (device_state.h).
void ApplyCopySettings(ConversionState& state, const CopySettings& settings) {
    ResetConversionState(state);
    ApplyTextRequest(state, settings.text);
    if (settings.text.layout == kLayoutTab) state.Delimited = '\t';
    DeviceSettings().forcedKind = settings.text.kind.value_or(-1);
    if (settings.text.kind) state.DBKind = *settings.text.kind;
}

}  // namespace

WideString MapCompanionName(const WideString& mapPath) {
    const WideString folder = FolderPart(mapPath);
    WideString name = BaseNameOf(mapPath);
    const size_t underscore = name.rfind(static_cast<WCHAR>('_'));
    if (underscore == WideString::npos) return WideString();
    name[underscore] = '.';
    return InFolder(folder, name);
}

int32_t GetDeviceFileTime(const WCHAR* devicePath, FILETIME* written) {
    CE_FIND_DATA found;
    std::memset(&found, 0, sizeof found);
    DeviceSearch search(RemoteApi().CeFindFirstFile(devicePath, &found));
    if (!search.IsValid()) return -1;
    if (written != nullptr) *written = found.ftLastWriteTime;
    return 0;
}

int32_t CopyPlainFileToDevice(const DeviceTarget& target, const WCHAR* path, uint32_t options, bool move) {
    const WideString devicePath = JoinDevPath(target.folder, LastComponent(path));
    FILETIME deviceTime{};
    const bool exists = GetDeviceFileTime(devicePath.c_str(), &deviceTime) == 0;

    HostFile source(HostCreateFile(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD high = 0;
    const DWORD low = source ? PlatformGetFileSize(source.Get(), &high) : INVALID_FILE_SIZE;
    FILETIME sourceTime{};
    if (!source || (low == INVALID_FILE_SIZE && PlatformGetLastError() != ERROR_SUCCESS) ||
        !PlatformGetFileTime(source.Get(), nullptr, nullptr, &sourceTime)) {
        DiagPrint("Unable to open source/host file: %s\n", Narrow(path).c_str());
        return devErrOpenSource;
    }
    const uint64_t size = (static_cast<uint64_t>(high) << 32) | low;

    if (exists) {
        const int32_t status = CompareTimes(sourceTime, deviceTime);
        if (SkipWithMessage(CopyRule::PlainToDevice, status, options, devicePath.c_str())) return status;
    }

    DiagPrint("Copying to Device: %s\n", Narrow(devicePath).c_str());
    // Written beside the device file and moved in place once complete.
    DeviceFileWrite write;
    if (!CreateDeviceFileWrite(devicePath, exists, write)) {
        DiagPrint("Unable to create destination file: %s\n", Narrow(devicePath).c_str());
        return -1;
    }
    CopyProgress progress(devicePath.c_str());
    int32_t result = CopyChunks(
        [&](char* buffer, DWORD count, DWORD* got) {
            return PlatformReadFile(source.Get(), buffer, count, got) != 0;
        },
        [&](const char* data, DWORD count, DWORD* written) {
            return RemoteApi().CeWriteFile(write.handle.Get(), data, count, written, nullptr) != 0;
        },
        progress,
        size,
        path,
        devicePath.c_str());
    source.Close();
    if (result == 0 &&
        (!RemoteApi().CeSetFileTime(write.handle.Get(), &sourceTime, &sourceTime, &sourceTime) ||
         !CloseWritten(write.handle) || !SwapInDeviceFile(write, devicePath, exists))) {
        DiagPrint("Unable to overwrite remote file: %s, Err=%lx\n", Narrow(devicePath).c_str(), Hex32(-1));
        result = -1;
    }
    if (result == 0)
        write.temporary = false;
    else
        AbandonDeviceFileWrite(write);
    progress.End(result, ProgressValue(size), ProgressValue(size));
    if (result == 0 && move) HostDeleteFile(path);
    return result == 0 && exists ? devReplaced : result;
}

int32_t DispatchToDevice(ConversionState& state,
                         const DeviceTarget& target,
                         const WCHAR* path,
                         DWORD type,
                         DWORD routeFlag,
                         uint32_t options,
                         bool move) {
    switch (type) {
        case kTypeResources:
        case kTypeIcons:
            return CopyPlainFileToDevice(target, path, options, move);
        case kTypeMaps: {
            const int32_t result = CopyPlainFileToDevice(target, path, options, move);
            const WideString companion = MapCompanionName(path);
            if (!Succeeded(result) || companion.empty()) return result;
            return CopyPlainFileToDevice(target, companion.c_str(), options, move);
        }
        default: {
            DeviceDatabase db;
            db.volume = target.volume;
            db.type = type;
            db.routeFlag = routeFlag;
            return FileToDeviceDatabase(state, db, target, path, options, move);
        }
    }
}

int32_t CopyFileToDevice(ConversionState& state,
                         const DeviceTarget& target,
                         const WCHAR* path,
                         const CopySettings& settings,
                         bool move) {
    const uint32_t options = settings.options;
    const WideString source(path);
    const WideString ext = ExtensionOf(source);
    if (ext.empty()) return devErrNoKind;

    if (settings.databasesDirect && EqualsNoCase(ext, ".pdb"))
        return DatabaseFileToDevice(state, target, source, options, move);

    WorkFolder work;
    WideString converted = source;
    if (!IsDeviceKindExtension(ext)) {
        int32_t result = -1;
        if (work.Create(FolderPart(source))) {
            try {
                result = ConvertToRecordText(state, source, ext, settings, work);
            } catch (const LibraryError& error) {
                result = error.Result();  // the database's own code, as the export answers it
            } catch (...) {
                result = -1;
            }
            if (result == 0 && work.Output().empty()) result = -1;
        }
        if (result != 0) {
            DiagPrint(
                "Unable to Convert PalmOS Database: %s, Err=%lx\n", Narrow(source).c_str(), Hex32(result));
            return result;
        }
        converted = work.Output();
        CopyFileTimes(source.c_str(), converted.c_str());
    }

    DWORD type = 0;
    DWORD routeFlag = 0;
    if (!ClassifyExtension(ExtensionOf(converted).c_str(), &type, &routeFlag)) return devErrNoKind;
    const int32_t result = DispatchToDevice(state, target, converted.c_str(), type, routeFlag, options, move);
    // The work folder takes the converted file with it; the source goes
    // only when it was moved and the copy succeeded.
    if (converted != source && move && Succeeded(result)) HostDeleteFile(source.c_str());
    return result;
}

int32_t CopyFolderToDevice(ConversionState& state,
                           const DeviceTarget& target,
                           const WCHAR* pattern,
                           const CopySettings& settings) {
    const uint32_t options = settings.options;
    const WideString folder = FolderPart(pattern);
    std::vector<WideString> files;
    {
        HostFindData found;
        HostSearch search(HostFindFirstFile(pattern, &found));
        if (!search.IsValid()) return 0;
        do {
            // The library's own temporary files are never the user's data.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                !IsLibraryTemporaryName(found.cFileName))
                files.push_back(found.cFileName);
        } while (HostFindNextFile(search.Get(), &found));
    }
    const bool move = (options & optMove) != 0;
    int32_t lastError = 0;
    for (const WideString& name : files) {
        const int32_t result =
            CopyFileToDevice(state, target, InFolder(folder, name).c_str(), settings, move);
        if (result == 0 || result == devReplaced) continue;
        lastError = result;
        if (result == devCancelled) break;
    }
    return lastError;
}

int32_t CopyPathToDevice(ConversionState& state,
                         const WCHAR* pcPath,
                         const WCHAR* deviceFolder,
                         const CopySettings& settings) {
    ApplyCopySettings(state, settings);
    const uint32_t options = settings.options;
    const WideString path = pcPath != nullptr ? WideString(pcPath) : CurrentDirectory();
    if (path.empty()) {
        DiagPrint("No PC Folder Name specified\n");
        return -1;
    }
    const WideString device =
        deviceFolder != nullptr ? WideString(deviceFolder) : WideString(kDefaultDeviceFolder);
    return RunOnMountedDevice(device, options, [&](const DeviceTarget& target) {
        const WideString all = WideFrom("*.*");
        if (path.find(static_cast<WCHAR>('*')) != WideString::npos)
            return CopyFolderToDevice(state, target, path.c_str(), settings);
        if (EndsWithSeparator(path)) return CopyFolderToDevice(state, target, (path + all).c_str(), settings);
        HostFindData found;
        bool isFolder = false;
        bool exists = false;
        {
            HostSearch search(HostFindFirstFile(path.c_str(), &found));
            exists = search.IsValid();
            isFolder = exists && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        }
        if (!exists) return devErrNoSource;
        if (isFolder) return CopyFolderToDevice(state, target, JoinPcPath(path, all).c_str(), settings);
        const int32_t result =
            CopyFileToDevice(state, target, path.c_str(), settings, (options & optMove) != 0);
        return result == devReplaced ? 0 : result;
    });
}

}  // namespace vezuved
