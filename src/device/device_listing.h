// The device listing: which point, route and track databases the handheld
// holds, how each compares with the file of the same name in a PC folder,
// which files of a known kind exist only on the PC, and the sync file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/device_volume.h"
#include "platform/path_encoding.h"

namespace vezuved {

// One row of the report's table, its texts as printed.
struct ListingRow {
    std::string kind;  // the heading: "Points", "Routes" or "Tracks"
    std::string name;
    int records = 0;
    std::string deviceModified, pcModified;  // "Mar/14/2004 14:25"; pcModified empty when none
    std::string state;  // "Identical", "Newer On Device", "Newer On PC" or "Only on Device"
};

// What the report shows, kept as it is printed, for a caller that reads
// the listing rather than its printed lines.
struct DeviceListing {
    // 0 when the report was made (also without a mountable volume), -1
    // without a PC folder, or the negative result of loading the remote API.
    int32_t result = 0;
    std::vector<ListingRow> rows;
    std::vector<std::string> pcOnly;  // full paths
    bool syncFileWritten = false;
    bool volumeFound = false;  // the handheld's database volume was mounted
};

// The PC-only paths come back in the given code (device_text.h PcPathText).
DeviceListing ListDevice(const WCHAR* pcFolder,
                         const WCHAR* deviceFolder,
                         uint32_t options,
                         PathEncoding paths);
void ListKind(const DeviceTarget& target,
              DWORD type,
              DWORD routeFlag,
              const WCHAR* pcFolder,
              std::vector<ListingRow>& rows);
void ListPcFiles(const WCHAR* pcFolder);

}  // namespace vezuved
