#include "pointdb/point_database_reader.h"
#include "base/diag.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/check_error.h"
#include "base/file_handle.h"
#include "base/memory.h"
#include "record/point_record.h"
#include "record/record_parse.h"
#include "state/conversion_state.h"

namespace vezuved {

namespace {

constexpr uint32_t kRouteFlagOffset = 275;

// Owns what a read has open, so every way out closes and releases it.
struct OpenDatabase {
    FileHandle file;
    PdbMemoryFile memory;  // the whole file, when it could be loaded
    PdbStream stream{};
    PdbHandle* handle = nullptr;
    ~OpenDatabase() {
        if (handle != nullptr) PdbRelease(handle);
    }
};

// Within a catch: ENOMEM when what was thrown says memory ran out, else errno as it stands.
int FailureErrno() {
    const int current = errno;
    try {
        throw;
    } catch (const LibraryError& error) {
        return error.code == pdbErrMemory ? ENOMEM : current;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (...) {
        return current;
    }
}

}  // namespace

void RefineTrackKind(ConversionState& state, PdbHandle* handle) {
    if (state.DBKind != kKindTrack && state.DBKind != kKindRoute) return;
    uint32_t size = 0;
    if (PdbAppInfoSize(handle, &size) != 0 || size == 0) return;
    const uint8_t* block = nullptr;
    PdbReadAppInfo(handle, &block, &size);
    if (block == nullptr) return;
    // A block too short to hold the flag carries none: the database is a track.
    state.DBKind = (size > kRouteFlagOffset && block[kRouteFlagOffset] == 1) ? kKindRoute : kKindTrack;
}

uint32_t ReadHeaderFacts(ConversionState& state, PdbHandle* handle) {
    PdbHeader info{};
    uint32_t code = PdbGetInfo(handle, &info);
    if (code != 0) return code;
    uint32_t result = 0;
    if (info.type == PdbFourChars("UsTr")) {
        state.DBKind = kKindTrack;
    } else if (info.type == PdbFourChars("Srvy")) {
        state.DBKind = kKindSurvey;
        state.Layout = kLayoutSurvey;
    } else if (info.type == PdbFourChars("PoLi")) {
        state.DBKind = kKindPoint;
    } else if (info.type == PdbFourChars("RlLg")) {
        state.DBKind = kKindLog;
        state.Layout = kLayoutPlain;
    } else {
        state.Layout = kLayoutPlain;
        state.DBKind = kKindUnknown;
        result = kKindUnknown;
    }
    state.DBVersion = info.version;
    state.NumRecords = info.recordCount;
    if (result != 0) return result;
    RefineTrackKind(state, handle);
    return 0;
}

int32_t DoReadPointDatabase(
    ConversionState& state, const char* path, void** records, int32_t* kind, uint32_t* refused) {
    if (records != nullptr) *records = nullptr;
    if (refused != nullptr) *refused = 0;
    ResetConversionState(state);
    if (path == nullptr || records == nullptr || kind == nullptr) return -1;

    OpenDatabase db;
    // Reading needs no write access, so a read-only database opens too.
    db.file = OpenFile(path, "rb", state.Paths);
    if (!db.file) return -1;

    PointRecord* array = nullptr;
    int32_t count = 0;
    try {
        // One read of the whole file instead of a seek and a read per
        // record; without memory for it the file is read in place.
        db.stream = db.memory.ReadFrom(db.file.get()) ? *db.memory.Stream() : PdbFileStream(db.file.get());
        CheckError(PdbOpen(&db.stream, &db.handle));
        PdbHeader info{};
        uint32_t code = PdbGetInfo(db.handle, &info);
        state.DBKind = info.type == PdbFourChars("PoLi") ? kKindPoint : kKindTrack;
        CheckError(code);
        RefineTrackKind(state, db.handle);

        const uint32_t total = info.recordCount;
        state.NumRecords = total;
        array = static_cast<PointRecord*>(MemAllocateZeroed(total, sizeof(PointRecord)));
        if (array == nullptr) throw LibraryError{pdbErrMemory};

        uint32_t first = 0;
        if (state.DBKind == kKindTrack || state.DBKind == kKindRoute) {
            if (info.version > 3) {
                DiagPrint("Invalid version #: %d", static_cast<int>(info.version));
                throw LibraryError{kErrVersionRefused};
            }
            // Older-layout databases keep a placeholder in record 0.
            first = info.version < 2 ? 1 : 0;
        }
        std::string scratch;
        for (uint32_t i = first; i < total; ++i) {
            PdbRecordEntry entry{};
            CheckError(PdbGetRecordEntry(db.handle, i, &entry));
            const uint8_t* data = nullptr;
            code = PdbReadRecord(db.handle, i, &entry, &data);
            if (data != nullptr) {
                // A refused line leaves its slot to the next record.
                const char* line = RecordText(data, entry.size, scratch);
                if (ParseRecordLine(line, array[count]) == 0)
                    ++count;
                else if (refused != nullptr)
                    ++*refused;
            }
            CheckError(code);
        }
    } catch (...) {
        // The cause a caller can tell apart from a damaged file: memory ran out.
        const int cause = FailureErrno();
        *kind = state.DBKind;
        if (array != nullptr) {
            // The host releases a failed read's array with count 0, so the
            // descriptions decoded so far are freed here. A line is counted
            // as soon as its description is stored, so none lies beyond.
            FreeDescriptions(array, count);
        }
        *records = array;
        errno = cause;
        return -1;
    }
    *records = array;
    *kind = state.DBKind;
    return count;
}

int32_t GetPointDatabaseInfo(ConversionState& state,
                             const char* path,
                             int32_t* kind,
                             int32_t* source,
                             int32_t* version,
                             int32_t* count) {
    if (path == nullptr) return -1;
    OpenDatabase db;
    db.file = OpenFile(path, "rb", state.Paths);
    if (!db.file) return -1;
    db.stream = PdbFileStream(db.file.get());
    uint32_t code = PdbOpen(&db.stream, &db.handle);
    if (code != 0) {
        ReportError(code);
        return static_cast<int32_t>(code);
    }
    uint32_t result = ReadHeaderFacts(state, db.handle);
    if (result != 0) return static_cast<int32_t>(result);
    if (kind != nullptr) *kind = state.DBKind;
    if (source != nullptr) *source = state.Layout;
    if (version != nullptr) *version = static_cast<int32_t>(state.DBVersion);
    if (count != nullptr) *count = static_cast<int32_t>(state.NumRecords);
    return 0;
}

const char* RecordText(const uint8_t* data, uint32_t size, std::string& scratch) {
    if (std::memchr(data, 0, size) != nullptr) return reinterpret_cast<const char*>(data);
    scratch.assign(reinterpret_cast<const char*>(data), size);
    return scratch.c_str();
}

}  // namespace vezuved
