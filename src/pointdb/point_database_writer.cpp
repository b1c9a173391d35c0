#include "pointdb/point_database_writer.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "base/check_error.h"
#include "base/diag.h"
#include "base/paths.h"
#include "convert/time_text.h"
#include "record/record_bytes.h"
#include "state/conversion_state.h"

namespace vezuved {

namespace {

constexpr size_t kRouteAppInfoSize = 478;
constexpr size_t kRouteFlagOffset = 275;
constexpr uint16_t kDatabaseAttributes = 8;

struct KindHeader {
    uint32_t type;
    uint16_t version;
    bool trackOrRoute;
};

// Tracks and routes take the older version under the older record layout
// (the definition's or the caller's kind code); the other kinds version 0.
KindHeader HeaderForKind(int32_t kind, uint16_t recordVersion) {
    const uint16_t trackVersion = recordVersion == 2 ? 1 : 3;
    switch (kind) {
        case kKindPoint:
            return {PdbFourChars("PoLi"), 3, false};
        case kKindTrack:
        case kKindRoute:
            return {PdbFourChars("UsTr"), trackVersion, true};
        case kKindRlVM:
            return {PdbFourChars("RlVM"), 0, false};
        case kKindRlVD:
            return {PdbFourChars("RlVD"), 0, false};
        default:
            return {PdbFourChars("NADg"), 0, false};
    }
}

bool BuildPath(std::string& path, const char* folder, const char* name, const char* extension) {
    path.assign(folder != nullptr ? folder : "");
    path.append(name != nullptr ? name : "");
    path.append(extension);
    return PathFits(path.c_str());
}

}  // namespace

bool CountFits(uint64_t count) {
    if (count <= kMaxDatabaseRecords) return true;
    DiagCause("a database holds at most 65,535 records (" + std::to_string(count) + " given)");
    return false;
}

bool RefusedAsOutput(const char* input, const std::string& output, PathEncoding encoding) {
    if (input == nullptr || !PlatformSameFile(input, output.c_str(), encoding)) return false;
    DiagCause("the output '" + output + "' is the input '" + input + "' itself; nothing was written");
    return true;
}

bool OpenOutputFile(ReplacingFile& output,
                    const std::string& path,
                    const char* input,
                    PathEncoding encoding) {
    if (RefusedAsOutput(input, path, encoding)) return false;
    if (OpenReplacingFile(output, path.c_str(), encoding)) return true;
    DiagCause(output.failure);
    return false;
}

bool DatabaseKindIsWritable(int32_t kind) {
    return kind >= kKindPoint && kind <= kKindDatum && kind != kKindLog;
}

int32_t CreatePointDatabase(DatabaseOutput& out, const char* name, uint32_t count) {
    if (!DatabaseKindIsWritable(out.kind)) return -1;
    const KindHeader header = HeaderForKind(out.kind, out.recordVersion);

    PdbHeader info{};
    PdbSetName(info, name);
    info.recordCount = count;
    const int64_t now = CurrentTime();
    info.creationDate = static_cast<uint32_t>(now);
    info.modificationDate = static_cast<uint32_t>(now);
    info.attributes = kDatabaseAttributes;
    info.version = header.version;
    info.type = header.type;
    info.creator = PdbFourChars("ZiZu");

    out.memory = std::make_unique<PdbMemoryFile>();
    uint32_t code = PdbCreate(out.memory->Stream(), info, &out.db);
    if (code != 0) return static_cast<int32_t>(code);

    if (header.trackOrRoute) {
        uint8_t block[kRouteAppInfoSize] = {};
        if (out.kind == kKindRoute) block[kRouteFlagOffset] = 1;
        PdbWriteAppInfo(out.db, block, sizeof block);
    }
    return 0;
}

int32_t CreatePointDatabaseFile(
    DatabaseOutput& out, const char* folder, const char* name, uint32_t count, const char* input) {
    // Refused before anything is created, so no empty file is left behind.
    if (!DatabaseKindIsWritable(out.kind)) return -1;
    if (!BuildPath(out.path, folder, name, ".pdb")) return -1;
    if (!OpenOutputFile(out.file, out.path, input, out.paths)) return -1;
    return CreatePointDatabase(out, name, count) == 0 ? 0 : -1;
}

int32_t OpenKindFile(DatabaseOutput& out, const char* folder, const char* name, const char* input) {
    const char* extension = nullptr;
    switch (out.kind) {
        case kKindPoint:
            extension = ".rlp";
            break;
        case kKindTrack:
            extension = ".rlt";
            break;
        case kKindRoute:
            extension = ".rlr";
            break;
        default:
            return -1;
    }
    if (!BuildPath(out.path, folder, name, extension)) return -1;
    return OpenOutputFile(out.file, out.path, input, out.paths) ? 0 : -1;
}

uint32_t WritePointRecord(DatabaseOutput& out, int32_t index, PointRecord& record, PreviousPoint& previous) {
    // One buffer serves every record of a database.
    static thread_local RecordBytes bytes;
    if (BuildRecordBytes(record, index, out.kind, previous, bytes) != 0) {
        // Out of memory, or a text longer than a record can hold: the
        // database cannot be completed, so the write fails loudly.
        if (bytes.descRoom != kNoDescLimit) {
            DiagCause("record " + std::to_string(index + 1) + ": description longer than " +
                      std::to_string(bytes.descRoom) + " characters");
        }
        CheckError(pdbErrMemory);
    }
    StoreTrailer(bytes.trailer, bytes.bytes.data() + bytes.trailerOffset, true);
    PdbRecordEntry entry{};
    entry.size = static_cast<uint32_t>(bytes.length);
    entry.uniqueId = kFirstUniqueId + kUniqueIdStep * static_cast<uint32_t>(index);
    uint32_t code = PdbAddRecord(out.db, entry, bytes.bytes.data());
    CheckError(code);
    return code;
}

uint32_t WriteTextRecord(DatabaseOutput& out, int32_t index, const char* text) {
    static const char kEmpty[1] = {0};
    if (text == nullptr) text = kEmpty;
    PdbRecordEntry entry{};
    entry.size = static_cast<uint32_t>(std::strlen(text) + 1);
    entry.uniqueId = kFirstUniqueId + kUniqueIdStep * static_cast<uint32_t>(index);
    uint32_t code = PdbAddRecord(out.db, entry, text);
    CheckError(code);
    return code;
}

uint32_t ClosePointDatabase(DatabaseOutput& out, bool keep) {
    uint32_t result = 0;
    if (out.db != nullptr) {
        // A database finished with the wrong count keeps its handle alive;
        // it is released here all the same so nothing leaks.
        if (PdbFinish(out.db) != 0) PdbRelease(out.db);
        out.db = nullptr;
    }
    ReplacingFile& output = out.file;
    int writeError = 0;
    if (out.memory) {
        if (output && keep) {
            errno = 0;
            if (std::fseek(output.file, 0, SEEK_SET) != 0 || !out.memory->WriteTo(output.file)) {
                writeError = errno != 0 ? errno : EIO;
            }
        }
        out.memory.reset();
    }
    if (output) {
        // Only a complete database replaces what the user had.
        if (keep && writeError == 0 && CommitReplacingFile(output)) return 0;
        if (keep) {
            DiscardReplacingFile(output, writeError);
            DiagCause(output.failure);
            result = pdbErrIO;
        } else {
            DiscardReplacingFile(output);
        }
    }
    return result;
}

void DatabaseNameFromPath(const char* path, char (&name)[kMaxDatabaseName + 1], PathEncoding encoding) {
    const char* separator = LastSeparator(path);
    const char* start = path;
    if (separator != nullptr) {
        start = separator + 1;
    } else if (const char* colon = std::strchr(path, ':')) {
        start = colon + 1;
    }
    CopyField(name, start);
    if (encoding == PathEncoding::Utf8 && std::strlen(start) > kMaxDatabaseName) {
        // Back to the first byte of the character the cut fell in, unless it ends there.
        size_t end = kMaxDatabaseName;
        size_t lead = end;
        while (lead > 0 && (static_cast<unsigned char>(name[lead - 1]) & 0xC0) == 0x80) --lead;
        if (lead > 0) {
            const unsigned char first = static_cast<unsigned char>(name[lead - 1]);
            const size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
            if (lead - 1 + length > end) end = lead - 1;
        }
        name[end] = '\0';
    }
    if (char* dot = std::strrchr(name, '.')) *dot = '\0';
}

}  // namespace vezuved
