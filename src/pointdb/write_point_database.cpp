// Writing a host array of point records as a database file.
#include "pointdb/write_point_database.h"

#include <cstdio>

#include "frame/check_error.h"
#include "frame/conversion_state.h"
#include "pointdb/point_database_writer.h"

int32_t WritePointDatabase(const char* path, void* records, int32_t count, int32_t kind) {
    if (records == nullptr || path == nullptr) return -1;
    // The header keeps 16 bits of the record count: a larger array cannot
    // become a readable database, so it is refused before anything is made.
    if (count > static_cast<int32_t>(kMaxDatabaseRecords)) return -1;
    if (count < 0) count = 0;

    ConversionState& state = State();
    state.OutputFile = OpenFile(path, "wb+");
    if (!state.OutputFile) return -1;
    SetDatabaseKind(kind);
    char name[kMaxDatabaseName + 1];
    DatabaseNameFromPath(path, name);

    bool failed = false;
    try {
        int32_t created = CreatePointDatabase(name, static_cast<uint32_t>(count), 0, nullptr, 0);
        if (created == -1) {
            failed = true;
        } else {
            CheckError(static_cast<uint32_t>(created));
            for (int32_t i = 0; i < count; ++i) {
                WritePointRecord(state.OutputDB, i, *RecordAt(records, static_cast<size_t>(i)));
            }
        }
    } catch (...) {
        failed = true;
    }
    uint32_t closed = ClosePointDatabase();
    if (closed != 0 && !failed) {
        std::printf("Err: 0x%x", static_cast<unsigned>(closed));
        failed = true;
    }
    return failed ? -1 : 0;
}
