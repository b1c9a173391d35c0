#include "device/device_database.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "device/device_swap.h"
#include "device/device_text.h"
#include "device/pc_replacement.h"
#include "device/transfer_rules.h"
#include "state/conversion_state.h"
#include "base/memory.h"
#include "layouts/layout_table.h"
#include "record/record_parse.h"
#include "text/layout_reading.h"
#include "text/work_record.h"

int32_t g_forcedKind = -1;

namespace {

const WCHAR kVolumeName[] = VZ_WIDE("RoverlogDBV.cdb");

// Error values print as the 32-bit words they are on the device's platform.
unsigned long Hex32(int64_t value) { return static_cast<unsigned long>(static_cast<uint32_t>(value)); }

bool IsPointsType(DWORD type) { return type == kTypePoints; }

// The bytes of the PC file being read, a block at a time, so a line costs
// no call per byte. The reader forgets the file when the line buffer goes.
struct LineReader {
    HANDLE file = INVALID_HANDLE_VALUE;
    char block[4096];
    DWORD length = 0;
    DWORD position = 0;
    int64_t lineNumber = 0;
    bool failed = false;  // a read failed: what was read is not the whole file

    void Forget() {
        file = INVALID_HANDLE_VALUE;
        length = position = 0;
        lineNumber = 0;
        failed = false;
    }
    // False at the end of the file or when a read fails (failed set).
    bool Next(HANDLE source, char& byte) {
        if (source != file) {
            Forget();
            file = source;
        }
        if (position == length) {
            position = length = 0;
            if (!HostReadFile(file, block, sizeof block, &length) || length > sizeof block) {
                failed = true;
                length = 0;
            }
            if (length == 0) return false;
        }
        byte = block[position++];
        return true;
    }
};

char* g_lineBuffer = nullptr;
LineReader g_reader;

}  // namespace

void DeviceHandle::Close() {
    if (IsValid() && g_remoteApi.CeCloseHandle != nullptr) g_remoteApi.CeCloseHandle(handle_);
    handle_ = nullptr;
}

void MountedVolume::Unmount() {
    if (guid_ && g_remoteApi.CeUnmountDBVol != nullptr) g_remoteApi.CeUnmountDBVol(guid_.get());
    guid_.reset();
}

DeviceDatabase::~DeviceDatabase() { ReleaseRecord(); }

void DeviceDatabase::ReleaseRecord() {
    if (propertyBuffer != nullptr) FreeRemoteBuffer(propertyBuffer);
    propertyBuffer = nullptr;
    text = nullptr;
}

MountedVolume MountDeviceVolume(const WCHAR* folder, bool report, uint32_t options) {
    std::unique_ptr<CEGUID> guid(new (std::nothrow) CEGUID{});
    WideString path = JoinDevPath(folder != nullptr ? WideString(folder) : WideString(), kVolumeName);
    if (!guid) return MountedVolume();
    BOOL mounted;
    if ((options & optCreateVolume) != 0) {
        g_remoteApi.CeCreateDirectory(folder, nullptr);  // an existing folder is fine
        mounted = g_remoteApi.CeMountDBVol(guid.get(), &path[0], OPEN_ALWAYS);
    } else {
        mounted = g_remoteApi.CeMountDBVol(guid.get(), &path[0], OPEN_EXISTING);
    }
    if (mounted) return MountedVolume(std::move(guid));
    if (report) std::printf("Can't mount Database Volume: %s", Narrow(path).c_str());
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
    const int32_t k = g_forcedKind;
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
        case kTypeMaps: return ".rlm";
        case kTypeTrack: return routeFlag == 1 ? ".rlr" : ".rlt";
        case kTypeIcons: return ".rli";
        case kTypeResources: return ".prc";
        default: return ".rlp";
    }
}

int32_t FindDeviceDatabase(CEGUID* volume, DWORD type, DWORD routeFlag, const WCHAR* name, CEOID* oid,
                           FILETIME* modified) {
    DeviceHandle search(g_remoteApi.CeFindFirstDatabaseEx(volume, type | routeFlag));
    if (!search.IsValid()) return -1;
    for (CEOID id = g_remoteApi.CeFindNextDatabaseEx(search.Get(), volume); id != 0;
         id = g_remoteApi.CeFindNextDatabaseEx(search.Get(), volume)) {
        CEOIDINFO info;
        std::memset(&info, 0, sizeof info);
        info.wObjType = OBJTYPE_DATABASE;
        if (!g_remoteApi.CeOidGetInfoEx(volume, id, &info)) continue;
        info.infDatabase.szDbaseName[kDeviceNameMax] = 0;
        if (WideString(info.infDatabase.szDbaseName) != WideString(name)) continue;
        if (oid != nullptr) *oid = id;
        if (modified != nullptr) *modified = info.infDatabase.ftLastModified;
        return 0;
    }
    return -1;
}

int32_t OpenDeviceDatabase(DeviceDatabase& db, DWORD flags) {
    if (db.handle.IsValid()) return 1;
    const CEPROPID sort = IsPointsType(db.type) ? kPropLongitude : kPropSequence;
    CEOID oid = db.oid;
    db.handle.Reset(g_remoteApi.CeOpenDatabaseEx(db.volume, &oid, nullptr, sort, flags, nullptr));
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

const WCHAR* GetLineField(const WCHAR* text, WCHAR* out, int32_t index, size_t max) {
    const WCHAR* p = text;
    bool quoted = false;
    int32_t passed = 0;
    while (*p != 0 && passed < index) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && (*p == ',' || *p == '*')) {
            ++passed;
        }
        ++p;
    }
    size_t n = 0;
    if (passed == index) {
        for (; *p != 0 && *p != ',' && *p != '*' && n < max; ++p)
            if (*p != '"') out[n++] = *p;
    }
    out[n] = 0;
    return p;
}

void FreeLineBuffer() {
    MemFree(g_lineBuffer);
    g_lineBuffer = nullptr;
    g_reader.Forget();
}

int32_t ReadRecordLine(HANDLE file, PointRecord& record, uint64_t& counter) {
    if (g_lineBuffer == nullptr) {
        g_lineBuffer = static_cast<char*>(MemAllocate(kLineBufferSize));
        if (g_lineBuffer == nullptr) return -1;
    }
    int32_t status = kLineRead;
    size_t length = 0;
    bool quoted = false;
    bool tooLong = false;
    uint64_t consumed = 0;
    char byte = 0;
    for (;;) {
        if (!g_reader.Next(file, byte)) {
            status = kEndOfFile;
            break;
        }
        if (!quoted && byte == '\r') continue;
        if (!quoted && byte == '\n') break;
        if (byte == '"') quoted = !quoted;
        ++consumed;
        if (length + 1 < kLineBufferSize) {
            g_lineBuffer[length++] = byte;
        } else {
            tooLong = true;  // the rest of the line is read and left out
        }
    }
    g_lineBuffer[length] = '\0';
    ++g_reader.lineNumber;
    if (g_reader.failed) return -1;  // a failed read is no end of the file
    counter += consumed;
    if (tooLong) return status == kEndOfFile ? kLineTooLongAtEnd : kLineTooLong;
    if (length == 0) return status;
    if (ReadLayoutLine(g_lineBuffer, &record, State().Source, SettingsForReading(State())) != 0) return -1;
    return status == kEndOfFile ? kLastLineRead : status;
}

int32_t WriteDeviceRecord(DeviceDatabase& db, CEOID& recordId, const WCHAR* text, size_t size,
                          const RecordTrailer& trailer, bool newRecord, uint32_t sequenceKey) {
    const size_t units = size / sizeof(WCHAR);
    std::vector<WCHAR> textCopy(units + 1, 0);
    std::memcpy(textCopy.data(), text, units * sizeof(WCHAR));
    std::vector<WCHAR> name(kDeviceNameMax + 1, 0);
    const bool points = IsPointsType(db.type);
    if (points) GetLineField(textCopy.data(), name.data(), kSlotName, kDeviceNameMax);

    CEPROPVAL props[5];
    std::memset(props, 0, sizeof props);
    props[0].propid = kPropText;
    props[0].val.lpwstr = textCopy.data();
    props[1].propid = kPropLongitude;
    props[1].val.lVal = trailer.longitude;
    if (points) {
        props[2].propid = kPropName;
        props[2].val.lpwstr = name.data();
    } else {
        props[2].propid = kPropSequence;
        props[2].val.ulVal = newRecord ? sequenceKey : 0;
    }
    props[3].propid = kPropLegDistance;
    props[3].val.lVal = trailer.legDistance;
    props[4].propid = kPropLegTime;
    props[4].val.lVal = trailer.legTime;

    if (newRecord) recordId = 0;
    const CEOID written = g_remoteApi.CeWriteRecordProps(db.handle.Get(), recordId, 5, props);
    if (written != 0) {
        recordId = written;
        return 0;
    }
    recordId = 0;
    const DWORD error = RemoteFailureError();
    char line[80];
    std::snprintf(line, sizeof line, "DBWriteRecord-CeWriteRecordProps failed (%ld)\n", static_cast<long>(error));
    DebugOutputLine(WideFrom(line).c_str());
    return static_cast<int32_t>(error);
}

const WCHAR* ReadDeviceRecord(DeviceDatabase& db, CEOID /*recordId*/, size_t* size) {
    WORD count = 0;
    LPBYTE buffer = nullptr;
    DWORD bufferSize = 0;
    const CEOID oid =
        g_remoteApi.CeReadRecordPropsEx(db.handle.Get(), CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &bufferSize, nullptr);
    db.ReleaseRecord();  // the previous record's properties are done with
    db.lastRecord = 0;
    if (oid != 0 && count > 0 && buffer != nullptr) {
        db.lastRecord = oid;
        db.propertyBuffer = buffer;
        const CEPROPVAL* values = reinterpret_cast<const CEPROPVAL*>(buffer);
        db.text = TypeFromPropID(values[0].propid) == CEVT_LPWSTR && (values[0].wFlags & CEDB_PROPNOTFOUND) == 0
                      ? values[0].val.lpwstr
                      : nullptr;
        if (size != nullptr) *size = db.text != nullptr ? (WideLength(db.text) + 1) * sizeof(WCHAR) : 0;
    } else if (buffer != nullptr) {
        FreeRemoteBuffer(buffer);
    }
    return db.text;
}

namespace {

struct SourceFacts {
    uint64_t size = 0;
    FILETIME written{};
};

bool ReadSourceFacts(const WCHAR* source, SourceFacts& facts) {
    HostFile file(HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    DWORD high = 0;
    const DWORD low = HostGetFileSize(file.Get(), &high);
    facts.size = (static_cast<uint64_t>(high) << 32) | low;
    HostGetFileTime(file.Get(), nullptr, nullptr, &facts.written);
    return true;
}

// Names the device cannot hold are refused, never cut: a cut name could
// meet and replace another database.
bool RefuseLongName(const WideString& stored) {
    if (stored.size() <= kDeviceNameMax) return false;
    std::printf("Database name longer than %u characters, not copied: %s\n", static_cast<unsigned>(kDeviceNameMax),
                Narrow(stored).c_str());
    return true;
}

void CreateDatabaseInfo(CEDBASEINFO& info, const WideString& name, DWORD type, DWORD routeFlag) {
    std::memset(&info, 0, sizeof info);
    info.dwFlags = CEDB_VALIDNAME | CEDB_VALIDTYPE | CEDB_VALIDSORTSPEC | CEDB_NOCOMPRESS;
    std::memcpy(info.szDbaseName, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    info.dwDbaseType = type | routeFlag;
    info.wNumSortOrder = 2;
    info.rgSortSpecs[0].propid = kPropLongitude;
    if (IsPointsType(type)) {
        info.rgSortSpecs[1].propid = kPropName;
        info.rgSortSpecs[1].dwFlags = CEDB_SORT_CASEINSENSITIVE;
    } else {
        info.rgSortSpecs[1].propid = kPropSequence;
    }
}

// The records of the open source file into the open database.
int32_t CopyLines(DeviceDatabase& db, HANDLE file, const WCHAR* source, uint64_t size, CopyProgress& progress) {
    WorkRecord work;
    if (!work.Allocate(kDeviceDescSize)) return -1;
    RecordBytes bytes;
    std::vector<WCHAR> wide;
    uint64_t counter = 0;
    uint32_t key = 100;
    int32_t index = 0;
    const int32_t total = ProgressValue(size);
    for (;;) {
        ClearKeepDesc(*work);
        const int32_t status = ReadRecordLine(file, *work, counter);
        if (status == kEndOfFile) return 0;
        if (status == kLineTooLong || status == kLineTooLongAtEnd) {
            std::printf("Line %" PRId64 " longer than %u bytes, not copied: %s\n", g_reader.lineNumber,
                        static_cast<unsigned>(kLineBufferSize - 1), Narrow(source).c_str());
            if (status == kLineTooLongAtEnd) return 0;
            continue;
        }
        if (status != kLineRead && status != kLastLineRead) {
            std::printf("Error reading source/host file: %s, Err=%lx", Narrow(source).c_str(), Hex32(status));
            return status;
        }
        if (BuildRecordBytes(*work, index, State().DBKind, State().Previous, bytes) != 0) return -1;
        const char* text = reinterpret_cast<const char*>(bytes.bytes.data());
        const size_t length = std::strlen(text);
        wide.assign(length + 13, 0);  // (length * 2 + 26) bytes
        WidenText(wide.data(), text, static_cast<int32_t>(length));
        const size_t textSize = 2 * ((length + 2) & ~static_cast<size_t>(1));
        if (!progress.Step(ProgressValue(counter), total)) return devCancelled;
        CEOID recordId = 0;
        const int32_t written = WriteDeviceRecord(db, recordId, wide.data(), textSize, bytes.trailer, true, key);
        if (written != 0) return written;
        if (status == kLastLineRead) return 0;
        ++index;
        key += 100;
    }
}

}  // namespace

int32_t FileToDeviceDatabase(DeviceDatabase& db, const DeviceTarget& target, const WCHAR* source, uint32_t options,
                             bool move) {
    if (target.volume == nullptr) return devErrNotMounted;
    if (db.volume == nullptr) db.volume = target.volume;
    WideString name = BaseNameOf(source);
    if (RefuseLongName(name)) return -1;

    CEOID existing = 0;
    FILETIME deviceTime{};
    const bool exists = FindDeviceDatabase(db.volume, db.type, db.routeFlag, name.c_str(), &existing, &deviceTime) == 0;

    SourceFacts facts;
    if (!ReadSourceFacts(source, facts)) {
        std::printf("Unable to open source/host file: %s\n", Narrow(source).c_str());
        return devErrOpenSource;
    }

    CEOID replacing = 0;
    if (exists) {
        const int32_t status = CompareTimes(facts.written, deviceTime);
        if (SkipWithMessage(CopyRule::FileToDatabase, status, options, name.c_str())) return status;
        if ((options & optKeepBoth) != 0 && RefuseLongName(NumberedDatabaseName(name, 1))) return -1;
        const ReplaceChoice choice =
            ChooseReplace(options, status, name.c_str(), &facts.written, &deviceTime, [&](int32_t number) {
                const WideString numbered = NumberedDatabaseName(name, number);
                return FindDeviceDatabase(db.volume, db.type, db.routeFlag, numbered.c_str(), nullptr, nullptr) != 0;
            });
        if (choice.stop != 0) return choice.stop;
        if (choice.freeNumber != 0)
            name = NumberedDatabaseName(name, choice.freeNumber);
        else
            replacing = existing;
    }

    std::printf("Copying to Device: %s\n", Narrow(name).c_str());
    // Built under a temporary name and swapped in once complete: until then
    // the device keeps its previous copy.
    CEDBASEINFO info;
    CreateDatabaseInfo(info, name, db.type, db.routeFlag);
    DWORD error = 0;
    const CEOID oid = CreateTemporaryDatabase(db.volume, info, error);
    if (oid == 0) {
        std::printf("Unable to create remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(error));
        return error != 0 ? static_cast<int32_t>(error) : -1;
    }
    db.oid = oid;
    std::memcpy(db.name, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    if (!OpenDeviceDatabase(db, 0)) {
        const DWORD openError = RemoteFailureError();
        std::printf("Unable to open remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(openError));
        g_remoteApi.CeDeleteDatabaseEx(db.volume, oid);
        return openError != 0 ? static_cast<int32_t>(openError) : -1;
    }

    // The leg values of the records follow the kind of the database written.
    State().DBKind = IsPointsType(db.type) ? kKindPoint : (db.routeFlag == 1 ? kKindRoute : kKindTrack);
    ResetRunningTotals();
    int32_t result = 0;
    CopyProgress progress(db.name);
    const int32_t total = ProgressValue(facts.size);
    {
        HostFile file(HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) {
            std::printf("Unable to open source/host file: %s\n", Narrow(source).c_str());
            result = devErrOpenSource;
        } else {
            g_reader.Forget();
            result = progress.Start(total) ? CopyLines(db, file.Get(), source, facts.size, progress) : devCancelled;
            FreeLineBuffer();
        }
        if (!CloseWritten(db.handle) && result == 0) result = -1;
        db.ReleaseRecord();
    }
    if (result == 0 && !SwapInDatabase(db.volume, oid, name, facts.written, replacing, deviceTime)) {
        std::printf("Unable to overwrite remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(-1));
        result = -1;
    } else if (result != 0) {
        g_remoteApi.CeDeleteDatabaseEx(db.volume, oid);
    }
    if (result == 0 && move) HostDeleteFile(source);
    progress.End(result, total, total);
    return result == 0 && replacing != 0 ? devReplaced : result;
}

int32_t DeviceDatabaseToFile(DeviceDatabase& db, const DeviceTarget& target, const WCHAR* destination, bool move,
                             const FILETIME& deviceTime) {
    std::printf("Getting from device: %s\n", Narrow(destination).c_str());
    if (target.volume == nullptr) return devErrNotMounted;
    if (db.volume == nullptr) db.volume = target.volume;
    CopyProgress progress(db.name);
    if (!progress.Start(0)) {
        progress.End(devCancelled, 0, 0);
        return devCancelled;
    }
    if (!OpenDeviceDatabase(db, CEDB_AUTOINCREMENT)) {
        const DWORD error = RemoteFailureError();
        const int32_t result = error != 0 ? static_cast<int32_t>(error) : -1;
        progress.End(result, 0, 0);
        return result;
    }
    // Written beside the destination and moved over it once complete.
    PcReplacement file;
    if (!file.Create(destination)) {
        std::printf("Unable to open host/destination file: %s\n", Narrow(destination).c_str());
        progress.End(-1, 0, 0);
        CloseDeviceDatabase(db);
        return -1;
    }
    const int32_t count = static_cast<int32_t>(db.recordCount) < 0 ? 0 : static_cast<int32_t>(db.recordCount);
    WorkRecord work;
    CEOID record = g_remoteApi.CeSeekDatabase(db.handle.Get(), CEDB_SEEK_BEGINNING, 0, nullptr);
    int32_t result = record != 0 && work.Allocate(kDeviceDescSize) ? 0 : -1;
    const ConversionState& state = State();
    const LayoutSettings settings = LayoutSettingsOf(state);
    std::string formatted;
    int32_t handled = 0;
    while (result == 0 && handled < count) {
        const WCHAR* text = ReadDeviceRecord(db, record, nullptr);
        if (db.lastRecord == 0) break;  // a failed read: the records are not all there
        ClearKeepDesc(*work);
        const std::string line = NarrowedText(text);
        ParseRecordLine(line.c_str(), *work);
        formatted.clear();
        result = FormatLayoutLine(*work, state.Source, settings, state.DBKind, handled, formatted);
        ++handled;
        if (!progress.Step(handled, count)) {
            result = devCancelled;
            break;
        }
        formatted += "\r\n";
        DWORD written = 0;
        if (!HostWriteFile(file.Get(), formatted.data(), static_cast<DWORD>(formatted.size()), &written) ||
            written != formatted.size()) {
            std::printf("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
            result = -1;
            break;
        }
        if (handled < count) {
            record = g_remoteApi.CeSeekDatabase(db.handle.Get(), CEDB_SEEK_CURRENT, 0, nullptr);
            if (record == 0) break;
        }
    }
    if (result == 0 && handled < count) {
        std::printf("Error reading device database: %s\n", Narrow(db.name).c_str());
        result = -1;
    }
    CloseDeviceDatabase(db);
    // Only a complete copy replaces the PC file, and only it takes the
    // device's time.
    if (result == 0 && !file.Commit(&deviceTime)) {
        std::printf("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
        result = -1;
    }
    file.Abandon();
    if (move && result == 0) g_remoteApi.CeDeleteDatabaseEx(db.volume, db.oid);
    progress.End(result, count, count);
    std::printf("\n");
    return result;
}

bool ReadDatabaseInfo(CEGUID* volume, CEOID oid, DWORD type, DWORD routeFlag, CEOIDINFO& info) {
    std::memset(&info, 0, sizeof info);
    info.wObjType = OBJTYPE_DATABASE;
    if (g_remoteApi.CeOidGetInfoEx(volume, oid, &info)) return true;
    std::printf("Error getting record info: Type: %lx Err: %ld\n", static_cast<unsigned long>(type | routeFlag),
                static_cast<long>(RemoteFailureError()));
    return false;
}
