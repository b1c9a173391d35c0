#include "device/device_database_to_text.h"

#include <cstdio>
#include <string>

#include "base/diag.h"
#include "device/device_text.h"
#include "device/host_files.h"
#include "device/pc_replacement.h"
#include "device/transfer_rules.h"
#include "layouts/layout_table.h"
#include "record/record_parse.h"
#include "state/conversion_state.h"
#include "text/work_record.h"

namespace vezuved {

namespace {

// The text property of the record the open database stands at, or null;
// the previous record's properties are freed. lastRecord is the record
// read, 0 when none was.
const WCHAR* ReadDeviceRecord(DeviceDatabase& db, CEOID /*recordId*/, size_t* size) {
    db.ReleaseRecord();  // the previous record's properties are done with
    WORD count = 0;
    const CEOID oid = ReadRecordProperties(db.handle.Get(), count, db.propertyBuffer);
    const auto* values = static_cast<const CEPROPVAL*>(db.propertyBuffer.get());
    db.lastRecord = 0;
    if (oid != 0 && count > 0 && values != nullptr) {
        db.lastRecord = oid;
        db.text =
            TypeFromPropID(values[0].propid) == CEVT_LPWSTR && (values[0].wFlags & CEDB_PROPNOTFOUND) == 0
                ? values[0].val.lpwstr
                : nullptr;
        if (size != nullptr) *size = db.text != nullptr ? (WideLength(db.text) + 1) * sizeof(WCHAR) : 0;
    }
    return db.text;
}

}  // namespace

int32_t DeviceDatabaseToFile(const ConversionState& state,
                             DeviceDatabase& db,
                             const DeviceTarget& target,
                             const WCHAR* destination,
                             const FILETIME& deviceTime) {
    DiagPrint("Getting from device: %s\n", Narrow(destination).c_str());
    if (target.volume == nullptr) return devErrNotMounted;
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
        DiagPrint("Unable to open host/destination file: %s\n", Narrow(destination).c_str());
        progress.End(-1, 0, 0);
        CloseDeviceDatabase(db);
        return -1;
    }
    const int32_t count = static_cast<int32_t>(db.recordCount) < 0 ? 0 : static_cast<int32_t>(db.recordCount);
    WorkRecord work;
    CEOID record = RemoteApi().CeSeekDatabase(db.handle.Get(), CEDB_SEEK_BEGINNING, 0, nullptr);
    int32_t result = record != 0 && work.Allocate(kDeviceDescSize) ? 0 : -1;
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
        result = FormatLayoutLine(*work, state.Layout, settings, state.DBKind, handled, formatted);
        ++handled;
        if (!progress.Step(handled, count)) {
            result = devCancelled;
            break;
        }
        formatted += "\r\n";
        if (!file.Write(formatted.data(), static_cast<DWORD>(formatted.size()))) {
            DiagPrint("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
            result = -1;
            break;
        }
        if (handled < count) {
            record = RemoteApi().CeSeekDatabase(db.handle.Get(), CEDB_SEEK_CURRENT, 0, nullptr);
            if (record == 0) break;
        }
    }
    if (result == 0 && handled < count) {
        DiagPrint("Error reading device database: %s\n", Narrow(db.name).c_str());
        result = -1;
    }
    CloseDeviceDatabase(db);
    // Only a complete copy replaces the PC file, and only it takes the
    // device's time.
    if (result == 0 && !file.Commit(&deviceTime)) {
        DiagPrint("Error !!! Writing hostfile: %s\n", Narrow(destination).c_str());
        result = -1;
    }
    file.Abandon();
    progress.End(result, count, count);
    DiagPrint("\n");
    return result;
}

}  // namespace vezuved
