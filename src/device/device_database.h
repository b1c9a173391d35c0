// Points, routes and tracks on the handheld: the database volume
// "RoverlogDBV.cdb" in the device folder, the table of kinds, the five
// properties of a device record, and the two conversions between a PC text
// file of record lines and a device database.
#pragma once

#include <cstdint>
#include <memory>

#include "device/host_files.h"
#include "device/remote_api.h"
#include "record/point_record.h"
#include "record/record_bytes.h"

// Type codes: four ASCII bytes, most significant first.
constexpr DWORD kTypePoints = 0x506F4C69;     // "PoLi"
constexpr DWORD kTypeTrack = 0x00003430;      // tracks; routes are this OR 1
constexpr DWORD kTypeMaps = 0x526C4D70;       // "RlMp"
constexpr DWORD kTypeIcons = 0x526C4963;      // "RlIc"
constexpr DWORD kTypeResources = 0x74424D50;  // "tBMP"

// Property ids of a device record.
constexpr CEPROPID kPropText = 0x0000001F;
constexpr CEPROPID kPropLongitude = 0x00010003;
constexpr CEPROPID kPropSequence = 0x00020013;
constexpr CEPROPID kPropName = 0x0003001F;
constexpr CEPROPID kPropLegTime = 0x00040003;
constexpr CEPROPID kPropLegDistance = 0x00050003;

// The device's database names hold at most 31 characters.
constexpr size_t kDeviceNameMax = 31;
// ReadRecordLine's buffer: a line holds at most kLineBufferSize - 1 bytes.
constexpr size_t kLineBufferSize = 5192;
// Description buffer of the work record.
constexpr size_t kDeviceDescSize = 4002;

// ReadRecordLine statuses.
constexpr int32_t kLineRead = 0;
constexpr int32_t kLastLineRead = 30;
constexpr int32_t kEndOfFile = 31;
// A line longer than the buffer was passed over (with kLineTooLongAtEnd the
// file ended with it).
constexpr int32_t kLineTooLong = 32;
constexpr int32_t kLineTooLongAtEnd = 33;

// Kind forced by the copy calls' kind argument: 0 points, 1 tracks,
// 2 routes, 8 maps, 9 icons, 10 resources; anything else classifies by
// extension. Never reset.
extern int32_t g_forcedKind;

// Closes a remote API handle (enumeration, open database or file) on scope exit.
class DeviceHandle {
public:
    DeviceHandle() = default;
    explicit DeviceHandle(HANDLE handle) : handle_(handle) {}
    ~DeviceHandle() { Close(); }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    // Hands the handle over without closing it.
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Close();

private:
    HANDLE handle_ = nullptr;
};

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
    void Unmount();

private:
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
    void* propertyBuffer = nullptr;
    DWORD routeFlag = 0;
    DWORD recordCount = 0;
    WCHAR name[kDeviceNameMax + 1] = {};

    DeviceDatabase() = default;
    DeviceDatabase(const DeviceDatabase&) = delete;
    DeviceDatabase& operator=(const DeviceDatabase&) = delete;
    ~DeviceDatabase();
    // Frees the property buffer of the last record read.
    void ReleaseRecord();
};

// Mounts (with optCreateVolume: creates folder and volume when missing)
// "RoverlogDBV.cdb" in the device folder. On failure, with report set,
// prints "Can't mount Database Volume: %s" (no line end).
MountedVolume MountDeviceVolume(const WCHAR* folder, bool report, uint32_t options);

// 1 and the kind for a known extension (or ForcedKind), else 0. Type and
// flag start as points in any case.
int32_t ClassifyExtension(const WCHAR* ext, DWORD* type, DWORD* routeFlag);
// The PC extension of a kind: ".rlm", ".rlr", ".rlt", ".rli", ".prc", else ".rlp".
const char* KindExtension(DWORD type, DWORD routeFlag);

// 0 and the database's id and last-modified time when a database of that
// type and exactly that name exists; -1 otherwise.
int32_t FindDeviceDatabase(CEGUID* volume, DWORD type, DWORD routeFlag, const WCHAR* name, CEOID* oid,
                           FILETIME* modified);

// The information of a database an enumeration found. When it cannot be
// read, prints the failure line naming the kind searched and returns false.
bool ReadDatabaseInfo(CEGUID* volume, CEOID oid, DWORD type, DWORD routeFlag, CEOIDINFO& info);

int32_t OpenDeviceDatabase(DeviceDatabase& db, DWORD flags);
void CloseDeviceDatabase(DeviceDatabase& db);

// Copies field `index` of a record line (',' and '*' separate outside
// quotes; quotes are dropped), at most max characters. Returns where the
// copy stopped.
const WCHAR* GetLineField(const WCHAR* text, WCHAR* out, int32_t index, size_t max);

// Reads one record line of a PC file and parses it in the active layout.
int32_t ReadRecordLine(HANDLE file, PointRecord& record, uint64_t& counter);
// Frees the line buffer (each conversion does so at its end).
void FreeLineBuffer();

int32_t WriteDeviceRecord(DeviceDatabase& db, CEOID& recordId, const WCHAR* text, size_t size,
                          const RecordTrailer& trailer, bool newRecord, uint32_t sequenceKey);
const WCHAR* ReadDeviceRecord(DeviceDatabase& db, CEOID recordId, size_t* size);

// A text file of record lines into a device database of db's type and flag.
int32_t FileToDeviceDatabase(DeviceDatabase& db, const DeviceTarget& target, const WCHAR* source, uint32_t options,
                             bool move);
// A device database into a text file of record lines on the PC.
int32_t DeviceDatabaseToFile(DeviceDatabase& db, const DeviceTarget& target, const WCHAR* destination, bool move,
                             const FILETIME& deviceTime);
