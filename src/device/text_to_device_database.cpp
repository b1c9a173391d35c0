#include "device/text_to_device_database.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "base/diag.h"
#include "base/wide_paths.h"
#include "device/device_swap.h"
#include "device/device_text.h"
#include "device/host_files.h"
#include "device/record_line_reader.h"
#include "device/transfer_rules.h"
#include "record/record_bytes.h"
#include "state/conversion_state.h"
#include "text/layout_reading.h"
#include "text/work_record.h"

namespace vezuved {

namespace {

// Copies field `index` of a record line (',' and '*' separate outside
// quotes; quotes are dropped), at most max characters.
void GetLineField(const WCHAR* text, WCHAR* out, int32_t index, size_t max) {
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
}

// Writes a new record (newRecord) or replaces recordId's properties. 0, or
// the device's error (a debugger line names it).
int32_t WriteDeviceRecord(DeviceDatabase& db,
                          CEOID& recordId,
                          WCHAR* text,
                          const RecordTrailer& trailer,
                          bool newRecord,
                          uint32_t sequenceKey) {
    std::vector<WCHAR> name(kDeviceNameMax + 1, 0);
    const bool points = IsPointsType(db.type);
    if (points) GetLineField(text, name.data(), kSlotName, kDeviceNameMax);

    CEPROPVAL props[5];
    std::memset(props, 0, sizeof props);
    props[0].propid = kPropText;
    props[0].val.lpwstr = text;
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
    const CEOID written = RemoteApi().CeWriteRecordProps(db.handle.Get(), recordId, 5, props);
    if (written != 0) {
        recordId = written;
        return 0;
    }
    recordId = 0;
    const DWORD error = RemoteFailureError();
    char line[80];
    std::snprintf(
        line, sizeof line, "DBWriteRecord-CeWriteRecordProps failed (%ld)\n", static_cast<long>(error));
    DiagWrite(DiagKind::Cause, line, std::strlen(line));
    return static_cast<int32_t>(error);
}

struct SourceFacts {
    uint64_t size = 0;
    FILETIME written{};
};

bool ReadSourceFacts(const WCHAR* source, SourceFacts& facts) {
    HostFile file(HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    DWORD high = 0;
    const DWORD low = PlatformGetFileSize(file.Get(), &high);
    facts.size = (static_cast<uint64_t>(high) << 32) | low;
    PlatformGetFileTime(file.Get(), nullptr, nullptr, &facts.written);
    return true;
}

// Names the device cannot hold are refused, never cut: a cut name could
// meet and replace another database.
bool RefuseLongName(const WideString& stored) {
    if (stored.size() <= kDeviceNameMax) return false;
    DiagPrint("Database name longer than %u characters, not copied: %s\n",
              static_cast<unsigned>(kDeviceNameMax),
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

// The records of the open source file into the open database; the leg
// values of the records follow the kind of the database written.
int32_t CopyLines(ConversionState& state,
                  DeviceDatabase& db,
                  int32_t kind,
                  HANDLE file,
                  const WCHAR* source,
                  uint64_t size,
                  CopyProgress& progress) {
    WorkRecord work;
    if (!work.Allocate(kDeviceDescSize)) return -1;
    RecordLineReader reader(file);
    RecordBytes bytes;
    uint64_t counter = 0;
    int32_t index = 0;
    const int32_t total = ProgressValue(size);
    LayoutSettings settings = SettingsForReading(state);
    settings.databaseKind = kind;
    for (;;) {
        ClearKeepDesc(*work);
        const int32_t status = reader.Read(*work, counter, state.Layout, settings);
        if (status == kEndOfFile) return 0;
        if (status == kLineTooLong || status == kLineTooLongAtEnd) {
            DiagPrint("Line %" PRId64 " longer than %u bytes, not copied: %s\n",
                      reader.LineNumber(),
                      static_cast<unsigned>(kLineBufferSize - 1),
                      Narrow(source).c_str());
            if (status == kLineTooLongAtEnd) return 0;
            continue;
        }
        if (status != kLineRead && status != kLastLineRead) {
            DiagPrint("Error reading source/host file: %s, Err=%lx", Narrow(source).c_str(), Hex32(status));
            return status;
        }
        const int32_t written = WriteNextRecord(state, db, kind, *work, index, bytes, [&] {
            return progress.Step(ProgressValue(counter), total);
        });
        if (written != 0) return written;
        if (status == kLastLineRead) return 0;
        ++index;
    }
}

}  // namespace

// One record more in the open database: its record line and trailer,
// its sequence key the index's.
int32_t WriteNextRecord(ConversionState& state,
                        DeviceDatabase& db,
                        int32_t kind,
                        PointRecord& record,
                        int32_t index,
                        RecordBytes& bytes,
                        const std::function<bool()>& proceed) {
    if (BuildRecordBytes(record, index, kind, state.Previous, bytes) != 0) return -1;
    if (!proceed()) return devCancelled;
    WideString text = WidenedText(reinterpret_cast<const char*>(bytes.bytes.data()));
    CEOID recordId = 0;
    const uint32_t key = 100 + 100 * static_cast<uint32_t>(index);
    return WriteDeviceRecord(db, recordId, &text[0], bytes.trailer, true, key);
}

int32_t RecordsToDeviceDatabase(ConversionState& state,
                                DeviceDatabase& db,
                                const DeviceTarget& target,
                                const WideString& sourceName,
                                const FILETIME& sourceTime,
                                int32_t total,
                                uint32_t options,
                                const RecordsWriter& write,
                                const std::function<void()>& whenCopied) {
    if (target.volume == nullptr) return devErrNotMounted;
    WideString name = sourceName;
    if (RefuseLongName(name)) return -1;

    CEOID existing = 0;
    FILETIME deviceTime{};
    const bool exists =
        FindDeviceDatabase(db.volume, db.type, db.routeFlag, name.c_str(), &existing, &deviceTime) == 0;

    CEOID replacing = 0;
    if (exists) {
        const int32_t status = CompareTimes(sourceTime, deviceTime);
        if (SkipWithMessage(CopyRule::FileToDatabase, status, options, name.c_str())) return status;
        if ((options & optKeepBoth) != 0 && RefuseLongName(NumberedDatabaseName(name, 1))) return -1;
        const ReplaceChoice choice =
            ChooseReplace(options, status, name.c_str(), &sourceTime, &deviceTime, [&](int32_t number) {
                const WideString numbered = NumberedDatabaseName(name, number);
                return FindDeviceDatabase(
                           db.volume, db.type, db.routeFlag, numbered.c_str(), nullptr, nullptr) != 0;
            });
        if (choice.stop != 0) return choice.stop;
        if (choice.freeNumber != 0)
            name = NumberedDatabaseName(name, choice.freeNumber);
        else
            replacing = existing;
    }

    DiagPrint("Copying to Device: %s\n", Narrow(name).c_str());
    // Built under a temporary name and swapped in once complete: until then
    // the device keeps its previous copy.
    CEDBASEINFO info;
    CreateDatabaseInfo(info, name, db.type, db.routeFlag);
    DWORD error = 0;
    const CEOID oid = CreateTemporaryDatabase(db.volume, info, error);
    const WideString freshName(info.szDbaseName);
    if (oid == 0) {
        DiagPrint("Unable to create remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(error));
        return error != 0 ? static_cast<int32_t>(error) : -1;
    }
    db.oid = oid;
    std::memcpy(db.name, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
    if (!OpenDeviceDatabase(db, 0)) {
        const DWORD openError = RemoteFailureError();
        DiagPrint(
            "Unable to open remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(openError));
        RemoteApi().CeDeleteDatabaseEx(db.volume, oid);
        return openError != 0 ? static_cast<int32_t>(openError) : -1;
    }

    const int32_t kind = IsPointsType(db.type) ? kKindPoint : (db.routeFlag == 1 ? kKindRoute : kKindTrack);
    ResetRunningTotals(state);
    CopyProgress progress(db.name);
    int32_t result = progress.Start(total) ? write(db, kind, progress) : devCancelled;
    if (!CloseWritten(db.handle) && result == 0) result = -1;
    if (result == 0 && !SwapInDatabase(db.volume, oid, freshName, name, sourceTime, replacing, deviceTime)) {
        DiagPrint("Unable to overwrite remote database file: %s, Err=%lx\n", Narrow(name).c_str(), Hex32(-1));
        result = -1;
    } else if (result != 0) {
        RemoteApi().CeDeleteDatabaseEx(db.volume, oid);
    }
    if (result == 0 && whenCopied) whenCopied();
    progress.End(result, total, total);
    return result == 0 && replacing != 0 ? devReplaced : result;
}

int32_t FileToDeviceDatabase(ConversionState& state,
                             DeviceDatabase& db,
                             const DeviceTarget& target,
                             const WCHAR* source,
                             uint32_t options,
                             bool move) {
    if (target.volume == nullptr) return devErrNotMounted;
    if (RefuseLongName(BaseNameOf(source))) return -1;
    SourceFacts facts;
    if (!ReadSourceFacts(source, facts)) {
        DiagPrint("Unable to open source/host file: %s\n", Narrow(source).c_str());
        return devErrOpenSource;
    }
    return RecordsToDeviceDatabase(
        state,
        db,
        target,
        BaseNameOf(source),
        facts.written,
        ProgressValue(facts.size),
        options,
        [&](DeviceDatabase& open, int32_t kind, CopyProgress& progress) {
            HostFile file(
                HostCreateFile(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            if (!file) {
                DiagPrint("Unable to open source/host file: %s\n", Narrow(source).c_str());
                return devErrOpenSource;
            }
            return CopyLines(state, open, kind, file.Get(), source, facts.size, progress);
        },
        [&] {
            if (move) HostDeleteFile(source);
        });
}

}  // namespace vezuved
