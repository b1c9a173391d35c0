// Points, routes and tracks on the handheld: the database volume
// "RoverlogDBV.cdb" in the device folder, the table of kinds, the five
// properties of a device record, owners of the remote API's handles, and
// finding, describing, opening and closing the databases in the volume.
#pragma once

#include <cstdint>
#include <memory>

#include "base/unique_handle.h"
#include "base/wide_text.h"
#include "device/ce_types.h"
#include "device/remote_api.h"

namespace vezuved {

// Type codes: four ASCII bytes, most significant first.
constexpr DWORD kTypePoints = 0x506F4C69;     // "PoLi"
constexpr DWORD kTypeTrack = 0x00003430;      // tracks; routes are this OR 1
constexpr DWORD kTypeMaps = 0x526C4D70;       // "RlMp"
constexpr DWORD kTypeIcons = 0x526C4963;      // "RlIc"
constexpr DWORD kTypeResources = 0x74424D50;  // "tBMP"

inline bool IsPointsType(DWORD type) { return type == kTypePoints; }

// Property ids of a device record.
constexpr CEPROPID kPropText = 0x0000001F;
constexpr CEPROPID kPropLongitude = 0x00010003;
constexpr CEPROPID kPropSequence = 0x00020013;
constexpr CEPROPID kPropName = 0x0003001F;
constexpr CEPROPID kPropLegTime = 0x00040003;
constexpr CEPROPID kPropLegDistance = 0x00050003;

// The device's database names hold at most 31 characters.
constexpr size_t kDeviceNameMax = 31;
// Description buffer of the work record a device record passes through.
constexpr size_t kDeviceDescSize = 4002;

// Owner of a remote API handle (enumeration, open database or file), closed
// with CeCloseHandle; and of a device file search, closed with CeFindClose.
// Null and INVALID_HANDLE_VALUE are no handle. Nothing is closed once the
// library is gone.
struct DeviceHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) {
        if (RemoteApi().CeCloseHandle != nullptr) RemoteApi().CeCloseHandle(handle);
    }
};
struct DeviceSearchTraits : DeviceHandleTraits {
    static void Close(Handle handle) {
        if (RemoteApi().CeFindClose != nullptr) RemoteApi().CeFindClose(handle);
    }
};
using DeviceHandle = UniqueHandle<DeviceHandleTraits>;
using DeviceSearch = UniqueHandle<DeviceSearchTraits>;

// A mounted database volume; unmounted and released when it goes.
class MountedVolume {
public:
    MountedVolume() = default;
    explicit MountedVolume(std::unique_ptr<CEGUID> guid) : guid_(std::move(guid)) {}
    ~MountedVolume() { Unmount(); }
    MountedVolume(MountedVolume&&) = default;
    MountedVolume& operator=(MountedVolume&& other) noexcept {
        if (this != &other) {
            Unmount();
            guid_ = std::move(other.guid_);
        }
        return *this;
    }
    CEGUID* Get() const { return guid_.get(); }

private:
    // Only ever followed by the guid's end or its replacement.
    void Unmount();

    std::unique_ptr<CEGUID> guid_;
};

struct DeviceTarget {
    CEGUID* volume = nullptr;
    WideString folder;
};

struct DeviceDatabase {
    CEOID oid = 0;
    CEGUID* volume = nullptr;
    DWORD type = 0;
    DeviceHandle handle;
    CEOID lastRecord = 0;
    const WCHAR* text = nullptr;  // inside the property buffer below
    RemoteBuffer propertyBuffer;
    DWORD routeFlag = 0;
    DWORD recordCount = 0;
    WCHAR name[kDeviceNameMax + 1] = {};

    DeviceDatabase() = default;
    DeviceDatabase(const DeviceDatabase&) = delete;
    DeviceDatabase& operator=(const DeviceDatabase&) = delete;
    // Frees the property buffer of the last record read.
    void ReleaseRecord();
};

// Mounts (with optCreateVolume: creates folder and volume when missing)
// "RoverlogDBV.cdb" in the device folder. On failure, with report set,
// prints "Can't mount Database Volume: %s" (no line end).
MountedVolume MountDeviceVolume(const WCHAR* folder, bool report, uint32_t options);

// 1 and the kind for a known extension (or the forced kind of
// DeviceSettings()), else 0. Type and flag start as points in any case.
int32_t ClassifyExtension(const WCHAR* ext, DWORD* type, DWORD* routeFlag);
// The PC extension of a kind: ".rlm", ".rlr", ".rlt", ".rli", ".prc", else ".rlp".
const char* KindExtension(DWORD type, DWORD routeFlag);

// 0 and the database's id and last-modified time when a database of that
// type and exactly that name exists; -1 otherwise.
int32_t FindDeviceDatabase(
    CEGUID* volume, DWORD type, DWORD routeFlag, const WCHAR* name, CEOID* oid, FILETIME* modified);

// The information of a database an enumeration found. When it cannot be
// read, prints the failure line naming the kind searched and returns false.
bool ReadDatabaseInfo(CEGUID* volume, CEOID oid, DWORD type, DWORD routeFlag, CEOIDINFO& info);
// The database's name in those facts, at most kDeviceNameMax characters.
WideString DatabaseNameOf(const CEDBASEINFO& info);

// Opens db (by its oid, sorted by longitude for points, by sequence
// otherwise): 1, or 0 when it cannot be opened.
int32_t OpenDeviceDatabase(DeviceDatabase& db, DWORD flags);
void CloseDeviceDatabase(DeviceDatabase& db);

}  // namespace vezuved
