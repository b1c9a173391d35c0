// The database exports: thin entries that hand their arguments to the
// drivers unchanged. No exception leaves them.
#include "api/export_call.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/write_point_database.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace {

// Both names of the reader: one call each, so what the read leaves in the
// conversion state stays for the host's next call.
int32_t ReadDatabase(const char* path, void** records, int32_t* kind) {
    const ExportCall call;
    if (!PathsFit({path})) return -1;
    return RunDriver(
        -1, OnLibraryError::Fail, [&] { return DoReadPointDatabase(State(), path, records, kind); });
}

}  // namespace

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL DoReadPDB(const char* path, void** records, int32_t* kind) {
    return ReadDatabase(path, records, kind);
}

VEZUVED_API int32_t VEZUVED_CALL RLDBReadPDB(const char* path, void** records, int32_t* kind) {
    return ReadDatabase(path, records, kind);
}

VEZUVED_API int32_t VEZUVED_CALL RLDBWritePDB(const char* path, void* records, int32_t count, int32_t kind) {
    const ExportCall call;
    if (!PathsFit({path})) return -1;
    return RunDriver(
        -1, OnLibraryError::Fail, [&] { return WritePointDatabase(State(), path, records, count, kind); });
}

VEZUVED_API int32_t VEZUVED_CALL
RLGetPDBFileInfo(const char* path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count) {
    const ExportCall call;
    if (!PathsFit({path})) return -1;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return GetPointDatabaseInfo(State(), path, kind, source, version, count);
    });
}

}  // extern "C"
