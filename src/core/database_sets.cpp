#include "core/database_sets.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/core_failure.h"
#include "core/file_formats.h"
#include "core/library_call.h"
#include "core/set_records.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/point_database_writer.h"
#include "pointdb/write_point_database.h"
#include "record/point_record.h"
#include "sets/number_text.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

// Why the library's header reader refused a database.
std::string DatabaseCause(int32_t code) {
    switch (code) {
        case -1:
            return "the file cannot be opened";
        case VEZUVED_PDB_ERR_FORMAT:
            return "it is no valid Palm database (error 1032)";
        case VEZUVED_PDB_ERR_IO:
            return "it cannot be read to its end (error 1035)";
        case VEZUVED_PDB_ERR_MEMORY:
            return "memory ran out (error 1029)";
        case VEZUVED_PDB_ERR_INDEX:
        case VEZUVED_PDB_ERR_NO_RECORD:
        case VEZUVED_PDB_ERR_COUNT:
            return "its record list is damaged (error " + std::to_string(code) + ")";
        case VEZUVED_KIND_UNKNOWN:
            return "it holds no points, route or track (unknown database type)";
        default:
            return "the library reported error " + std::to_string(code);
    }
}

[[noreturn]] void FailOutOfMemory(const std::string& path) {
    FailCore(VEZUVED_ERROR_MEMORY, "cannot read '" + path + "': " + DatabaseCause(VEZUVED_PDB_ERR_MEMORY));
}

int32_t SetKindOf(int32_t databaseKind) {
    if (databaseKind == VEZUVED_KIND_TRACK) return VEZUVED_SET_TRACK;
    if (databaseKind == VEZUVED_KIND_ROUTE) return VEZUVED_SET_ROUTE;
    return VEZUVED_SET_WAYPOINTS;
}

}  // namespace

maps::Point PointOfRecord(const PointRecord& record, maps::RecordEncoding encoding) {
    const std::string name = FieldText(record.name);
    const std::string icon = FieldText(record.icon);
    const char* description = DescText(record);
    maps::Point point = maps::MakePoint(name.c_str(),
                                        FieldText(record.latitude).c_str(),
                                        FieldText(record.longitude).c_str(),
                                        FieldText(record.elevation).c_str(),
                                        FieldText(record.time).c_str(),
                                        icon.c_str(),
                                        description);
    if (encoding == maps::RecordEncoding::Utf8) {
        point.name = name;
        point.icon = icon;
        if (description != nullptr) point.description = std::string(description);
    }
    return point;
}

DatabaseFacts ReadDatabaseFacts(const std::string& path) {
    DatabaseFacts facts;
    LibraryCall call;
    errno = 0;
    const int32_t code = GetPointDatabaseInfo(
        call.Conversion(), path.c_str(), &facts.kind, &facts.layout, &facts.version, &facts.records);
    if (code != 0) {
        // A file that cannot be opened or read to its end says the system's reason.
        const int error = errno;
        if (code == VEZUVED_PDB_ERR_MEMORY || error == ENOMEM) FailOutOfMemory(path);
        std::string cause = DatabaseCause(code);
        // (a read that failed leaves too few bytes for a Palm database).
        if (error != 0) cause = code == -1 ? std::strerror(error) : cause + ": " + std::strerror(error);
        FailCore(code == -1 ? VEZUVED_ERROR_OPEN : VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': " + cause);
    }
    return facts;
}

maps::PointSet ReadDatabaseFile(const std::string& path,
                                maps::RecordEncoding encoding,
                                bool strict,
                                maps::MapWarnings& warnings) {
    // The header first: it tells why a file cannot be read, and the records
    // of another of the handheld's databases would be read as a track's.
    const DatabaseFacts facts = ReadDatabaseFacts(path);
    const bool line = facts.kind == VEZUVED_KIND_TRACK || facts.kind == VEZUVED_KIND_ROUTE;
    if (!line && facts.kind != VEZUVED_KIND_POINT) {
        FailCore(VEZUVED_ERROR_FORMAT, "cannot read '" + path + "': it holds no points, route or track");
    }
    if (line && facts.version > 3) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': its header version " + std::to_string(facts.version) +
                     " is newer than 3");
    }

    maps::PointSet set;
    LibraryCall call;
    RecordArray read;
    int32_t kind = 0;
    errno = 0;
    uint32_t refused = 0;
    const int32_t count = DoReadPointDatabase(call.Conversion(), path.c_str(), &read.array, &kind, &refused);
    if (count < 0) {
        // The reader freed the descriptions of a failed read itself.
        read.count = 0;
        const int error = errno;
        if (error == ENOMEM) FailOutOfMemory(path);
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': " +
                     (error != 0 ? std::string(std::strerror(error))
                                 : "its records cannot be read (damaged database)"));
    }
    read.count = count;
    // A record passed over for want of memory would be missing from the set.
    if (refused != 0) FailOutOfMemory(path);
    set.kind = SetKindOf(kind);
    char name[kMaxDatabaseName + 1];
    DatabaseNameFromPath(path.c_str(), name, PathEncoding::Utf8);
    set.title = name;  // the path's, UTF-8 whatever the records' encoding
    set.points.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        maps::Point point = PointOfRecord(*RecordAt(read.array, static_cast<size_t>(i)), encoding);
        const std::string fault = maps::PointFault(point);
        if (!fault.empty()) {
            const std::string where =
                "record " + std::to_string(i + 1) + (point.name.empty() ? "" : " '" + point.name + "'");
            if (strict) FailCore(VEZUVED_ERROR_FORMAT, "cannot read '" + path + "': " + where + ": " + fault);
            const std::string cause = where + ": " + fault + "; the point is left out";
            warnings.push_back({path, 0, cause, path + ": " + cause});
            continue;
        }
        // A break of a point left out passes to the next one kept.
        point.segmentStart = false;
        set.points.push_back(std::move(point));
    }
    if (count > 0 && set.points.empty()) {
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': none of its " + std::to_string(count) +
                     " record(s) holds a point a writer takes");
    }
    return set;
}

namespace {

// A database is named after its file, as far as 31 bytes go: a longer name
// is said, with the name the handheld will show.
void AddNameWarning(const std::string& path, maps::MapWarnings& warnings) {
    char name[kMaxDatabaseName + 1];
    DatabaseNameFromPath(path.c_str(), name, PathEncoding::Utf8);
    // The file's name as DatabaseNameFromPath finds it, uncut.
    const size_t separator = path.find_last_of("/\\"), colon = path.find(':');
    std::string stem = path.substr(separator != std::string::npos ? separator + 1
                                   : colon != std::string::npos   ? colon + 1
                                                                  : 0);
    if (const size_t dot = stem.rfind('.'); dot != std::string::npos) stem.erase(dot);
    if (stem == name) return;
    const std::string cause =
        std::string("is named '") + name + "': a database name holds at most 31 characters";
    warnings.push_back({path, 0, "the database " + cause, "the database in '" + path + "' " + cause});
}

}  // namespace

void WriteDatabaseFile(const std::string& path,
                       const maps::PointSet& set,
                       maps::RecordEncoding encoding,
                       maps::MapWarnings& warnings,
                       bool older) {
    const bool line = set.kind == VEZUVED_SET_TRACK || set.kind == VEZUVED_SET_ROUTE;
    const size_t placeholders = older && line ? 1 : 0;
    if (set.points.size() + placeholders > kMaxDatabaseRecords) {
        // The older layout's first record is no point.
        const std::string room =
            std::to_string(kMaxDatabaseRecords - placeholders) +
            (placeholders != 0 ? " in the older layout, whose first record stays empty" : "");
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "cannot write '" + path + "': its set holds " + std::to_string(set.points.size()) +
                     " points and a database at most " + room);
    }
    WrittenRecords written(set.points.size());
    maps::FittingReport fitting;
    FillRecords(set, maps::RecordUse::Database, encoding, path, written, fitting);
    AddFittingWarning(path, fitting, warnings);
    AddExtrasWarning(path, &set, 1, "a database", warnings);
    AddNameWarning(path, warnings);

    LibraryCall call;
    int32_t kind = set.kind == VEZUVED_SET_TRACK   ? VEZUVED_KIND_TRACK
                   : set.kind == VEZUVED_SET_ROUTE ? VEZUVED_KIND_ROUTE
                                                   : VEZUVED_KIND_POINT;
    if (placeholders != 0) {
        kind = kind == VEZUVED_KIND_TRACK ? VEZUVED_KIND_TRACK_OLD : VEZUVED_KIND_ROUTE_OLD;
        // The older layout's record 0 holds nothing.
        written.records.insert(written.records.begin(), PointRecord{});
    }
    PointRecord none{};
    void* records = written.records.empty() ? &none : written.records.data();
    if (WritePointDatabase(
            call.Conversion(), path.c_str(), records, static_cast<int32_t>(written.records.size()), kind) !=
        0) {
        const std::string said = call.Causes();
        FailCore(VEZUVED_ERROR_WRITE, said.empty() ? "cannot write '" + path + "'" : said);
    }
}

}  // namespace vezuved::core
