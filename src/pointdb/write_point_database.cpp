// Writing a host array of point records as a database file.
#include "pointdb/write_point_database.h"

#include "base/check_error.h"
#include "base/diag.h"
#include "pointdb/point_database_writer.h"
#include "state/conversion_state.h"

namespace vezuved {

int32_t WritePointDatabase(
    ConversionState& state, const char* path, void* records, int32_t count, int32_t kind) {
    if (records == nullptr || path == nullptr) return -1;
    // Every argument is checked before the file is touched: the header keeps
    // 16 bits of the record count, and some kinds cannot be written at all.
    if (!CountFits(count < 0 ? 0u : static_cast<uint64_t>(count))) return -1;
    if (count < 0) count = 0;

    // The kind stays in the state for the host's later calls.
    SetDatabaseKind(state, kind);
    DatabaseOutput out;
    out.kind = state.DBKind;
    out.recordVersion = state.RecordVersion;
    out.paths = state.Paths;
    if (!DatabaseKindIsWritable(out.kind)) {
        DiagCause("no database can be written for the kind " + std::to_string(kind));
        return -1;
    }
    if (!OpenReplacingFile(out.file, path, out.paths)) {
        DiagCause(out.file.failure);
        return -1;
    }
    char name[kMaxDatabaseName + 1];
    DatabaseNameFromPath(path, name, out.paths);

    bool failed = false;
    try {
        int32_t created = CreatePointDatabase(out, name, static_cast<uint32_t>(count));
        CheckError(static_cast<uint32_t>(created));
        for (int32_t i = 0; i < count; ++i) {
            WritePointRecord(out, i, *RecordAt(records, static_cast<size_t>(i)), state.Previous);
        }
    } catch (...) {
        failed = true;
    }
    uint32_t closed = ClosePointDatabase(out, !failed);
    if (closed != 0 && !failed) {
        ReportError(closed);
        failed = true;
    }
    return failed ? -1 : 0;
}

}  // namespace vezuved
