// Copies to the handheld: one PC file, or every file of a folder or search
// pattern. Palm databases and other text formats are converted into
// record-line text first; files already in a device kind go as they are.
#pragma once

#include <cstdint>

#include <optional>
#include <string>

#include "device/device_volume.h"
#include "text/text_request.h"

namespace vezuved {

// How a copy to the handheld reads and converts: its options, the layout,
// elevation format, columns and kind of the files already in a device kind
// (text.kind: the forced kind), and the definition other text files are
// converted with (none: found by the file's extension).
struct CopySettings {
    uint32_t options = 0;
    TextRequest text;
    std::optional<std::string> format;
    // Databases (".pdb") go record by record into the device database
    // rather than through a text file written beside them and read back.
    bool databasesDirect = false;
};

// state: reset from the settings, then what every conversion and database
// copy of the call reads and leaves.
int32_t CopyPathToDevice(ConversionState& state,
                         const WCHAR* pcPath,
                         const WCHAR* deviceFolder,
                         const CopySettings& settings);
int32_t CopyFolderToDevice(ConversionState& state,
                           const DeviceTarget& target,
                           const WCHAR* pattern,
                           const CopySettings& settings);
int32_t CopyFileToDevice(ConversionState& state,
                         const DeviceTarget& target,
                         const WCHAR* path,
                         const CopySettings& settings,
                         bool move);
int32_t DispatchToDevice(ConversionState& state,
                         const DeviceTarget& target,
                         const WCHAR* path,
                         DWORD type,
                         DWORD routeFlag,
                         uint32_t options,
                         bool move);
int32_t CopyPlainFileToDevice(const DeviceTarget& target, const WCHAR* path, uint32_t options, bool move);
int32_t GetDeviceFileTime(const WCHAR* devicePath, FILETIME* written);

// The companion image of a map: the extension dropped and the last '_' of
// the name made a '.' (Topo_jpg.rlm: Topo.jpg). Empty when the name has no '_'.
WideString MapCompanionName(const WideString& mapName);

}  // namespace vezuved
