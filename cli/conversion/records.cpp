#include "conversion/records.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "api/tool_api.h"
#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/tool_paths.h"
#include "values/encoding.h"
#include "values/point_sets.h"
#include "values/values.h"

namespace vezuved_cli {
namespace tool = vezuved::tool;
namespace {

std::string FieldText(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

void Collect(LoadedPoints& loaded) {
    for (int32_t i = 0; i < loaded.records.count(); ++i) {
        const RLPointRecord& record = loaded.records[i];
        if (!HoldsPoint(record)) continue;
        loaded.kept.push_back(i);
        loaded.set.points.push_back(PointOfRecord(record));
    }
}

}  // namespace

bool HoldsPoint(const RLPointRecord& record) {
    return record.name[0] != '\0' || record.latitude[0] != '\0' || record.longitude[0] != '\0' ||
           record.time[0] != '\0' || record.elevation[0] != '\0' || record.icon[0] != '\0' ||
           RLGetPointDesc(&record) != nullptr;
}

Point PointOfRecord(const RLPointRecord& record) {
    // Fields are NUL-terminated inside their capacity; strnlen guards
    // against a record that is not.
    return MakePoint(FieldText(record.name, sizeof record.name).c_str(),
                     FieldText(record.latitude, sizeof record.latitude).c_str(),
                     FieldText(record.longitude, sizeof record.longitude).c_str(),
                     FieldText(record.elevation, sizeof record.elevation).c_str(),
                     FieldText(record.time, sizeof record.time).c_str(),
                     FieldText(record.icon, sizeof record.icon).c_str(),
                     RLGetPointDesc(&record));
}

LibraryRecords::LibraryRecords(LibraryRecords&& other) noexcept
    : records_(other.records_), count_(other.count_) {
    other.records_ = nullptr;
    other.count_ = 0;
}

LibraryRecords& LibraryRecords::operator=(LibraryRecords&& other) noexcept {
    std::swap(records_, other.records_);
    std::swap(count_, other.count_);
    return *this;
}

LibraryRecords::~LibraryRecords() {
    if (records_ != nullptr) RLDBRelease(records_, count_);
}

OwnedRecords::~OwnedRecords() {
    for (RLPointRecord& record : records_) RLSetPointDesc(&record, nullptr);
}

std::string BaseTitle(const std::string& path) { return TextOf(PathOf(path).stem()); }

DatabaseHeader ReadDatabaseHeader(const std::string& path) {
    RequireInputFile(path, "database");
    DatabaseHeader header;
    int32_t source = 0, records = 0;
    const int32_t info = tool::ReadDatabaseInfo(path, &header.kind, &source, &header.version, &records);
    if (info != 0) FailConversion("cannot read the database '" + path + "': " + DatabaseErrorCause(info));
    return header;
}

LoadedPoints ReadDatabase(const std::string& path) {
    // The header first: it tells why a file cannot be read, and the library
    // would read a database of another type as if it held a track.
    const int32_t version = ReadDatabaseHeader(path).version;
    LoadedPoints loaded;
    void* array = nullptr;
    int32_t kind = 0;
    const int32_t count = tool::ReadDatabase(path, &array, &kind);
    if (count < 0) {
        LibraryRecords partial(array, 0);
        const bool tooNew = (kind == VEZUVED_KIND_TRACK || kind == VEZUVED_KIND_ROUTE) && version > 3;
        FailConversion("cannot read the database '" + path + "': " +
                       (tooNew ? "its header version " + std::to_string(version) + " is newer than 3"
                               : std::string("its records cannot be read (damaged database)")));
    }
    loaded.records = LibraryRecords(array, count);
    loaded.set.kind = kind;
    loaded.set.title = BaseTitle(path);
    Collect(loaded);
    return loaded;
}

LoadedPoints ReadText(std::ostream& err, const std::string& path, const TextOptions& options) {
    return ReadTextPoints(err, path, options);
}

namespace {

constexpr size_t kMostRecords = 65535;

// The records a database or text file is written from: the library's own
// when it read the set, else made from the points. Points the rule refuses
// are left out of points first, so its count is what was written.
std::unique_ptr<OwnedRecords> RecordsToWrite(const RunContext& run,
                                             const std::string& path,
                                             LoadedPoints& points,
                                             RecordUse use) {
    LeaveOutRefusedPoints(run, path, points);
    if (points.records.count() == 0) {
        run.err << JoinedSegmentsWarning(path, points.set);
        return std::make_unique<OwnedRecords>(run.err, points.set, path, use, points.feetAsRead);
    }
    return std::make_unique<OwnedRecords>(run.err, points.records, points.kept, path, use);
}

// The records, as they are, as the one set of collection, of kind (the
// older kinds are a track's and a route's): the feet they hold are written
// as they stand, and the core writes the file whole.
void CollectRecords(CoreCollection& collection,
                    const std::string& path,
                    OwnedRecords& records,
                    int32_t kind,
                    const std::string& title) {
    const int32_t set = vezuved_add_set(collection.get(),
                                        kind == VEZUVED_KIND_TRACK_OLD   ? VEZUVED_SET_TRACK
                                        : kind == VEZUVED_KIND_ROUTE_OLD ? VEZUVED_SET_ROUTE
                                                                         : kind,
                                        title.c_str());
    if (set < 0) FailConversion("cannot write '" + path + "': " + vezuved_error_message(collection.get()));
    for (int32_t i = 0; i < records.count(); ++i) {
        if (vezuved_add_record(collection.get(), set, &records.data()[i]) != VEZUVED_OK)
            FailConversion("cannot write '" + path + "': " + vezuved_error_message(collection.get()));
    }
}

}  // namespace

bool LeaveOutRefusedPoints(const RunContext& run, const std::string& target, LoadedPoints& points) {
    const std::vector<size_t> chosen = WritablePoints(run.err, target, points.set, run.rules.strict);
    if (chosen.size() == points.set.points.size()) return false;
    if (chosen.empty()) {
        FailConversion("cannot write '" + target + "': all " + std::to_string(points.set.points.size()) +
                       " point(s) of " + SetWords(points.set) + " were refused (above)");
    }
    // The library's records, when it read the set, stand beside its points.
    const bool records = points.records.count() != 0;
    for (size_t to = 0; to < chosen.size(); ++to) {
        points.set.points[to] = std::move(points.set.points[chosen[to]]);
        if (records) points.kept[to] = points.kept[chosen[to]];
    }
    points.set.points.resize(chosen.size());
    if (records) points.kept.resize(chosen.size());
    return true;
}

std::vector<LoadedPoints> SplitSegments(std::vector<LoadedPoints> sets) {
    std::vector<LoadedPoints> split;
    for (LoadedPoints& loaded : sets) {
        // The library's records hold no segment breaks.
        if (loaded.records.count() != 0) {
            split.push_back(std::move(loaded));
            continue;
        }
        for (PointSet& set : SplitSegments(std::move(loaded.set))) {
            split.emplace_back();
            split.back().set = std::move(set);
        }
    }
    return split;
}

void RequireDatabaseSize(const std::string& path, const LoadedPoints& points) {
    const size_t count = points.records.count() == 0 ? points.set.points.size() : points.kept.size();
    if (count > kMostRecords) {
        FailConversion("cannot write the database '" + path + "': '" + points.set.title + "' has " +
                       std::to_string(count) + " points and a database holds at most 65535");
    }
}

void WriteDatabase(const RunContext& run, const std::string& path, LoadedPoints& points, int32_t kind) {
    RequireDatabaseSize(path, points);
    const bool older = kind == VEZUVED_KIND_TRACK_OLD || kind == VEZUVED_KIND_ROUTE_OLD;
    if (!older && kind != VEZUVED_KIND_POINT && kind != VEZUVED_KIND_TRACK && kind != VEZUVED_KIND_ROUTE) {
        FailUsage("cannot write the database '" + path +
                  "': a database the tool writes holds points, a "
                  "track or a route, not " +
                  KindText(kind));
    }
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(run, path, points, RecordUse::Database);
    CoreCollection collection;
    CollectRecords(collection, path, *owned, kind, points.set.title);
    vezuved_write_options write{};
    write.format = older ? VEZUVED_FORMAT_PDB_OLDER : VEZUVED_FORMAT_PDB;
    const int32_t result = vezuved_write(collection.get(), path.c_str(), &write);
    SayWarnings(run.err, collection);
    if (result != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
}

TextLayout LoadWritingLayout(const std::string& output,
                             const std::string& definition,
                             const TextOptions& options) {
    TextLayout layout = LoadTextLayout(definition, options);
    if (IsImportOnly(layout.title)) {
        FailUsage("cannot write '" + output + "' through '" + definition + "': the format '" + layout.title +
                  "' can be read but not written back the same way");
    }
    return layout;
}

void WriteText(const RunContext& run,
               const std::string& path,
               LoadedPoints& points,
               const TextOptions& options) {
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(run, path, points, RecordUse::Text);
    std::string definition = options.definition;
    if (definition.empty()) {
        const std::string own = DefinitionPathFor(path);
        std::error_code error;
        if (std::filesystem::is_regular_file(PathOf(own), error)) definition = own;
    }
    if (!definition.empty()) {
        LoadWritingLayout(path, definition, options);
    } else if (!options.layout && !options.columns && !IsRecordLineFile(path)) {
        FailUsage("cannot write '" + path +
                  "': nothing says what its columns are to hold (no definition, no '" +
                  DefinitionPathFor(path) + "', no record-line extension); give a format definition (.cal)");
    }
    CoreCollection collection;
    CollectRecords(collection, path, *owned, options.kind.value_or(points.set.kind), points.set.title);
    vezuved_write_options write{};
    write.format = VEZUVED_FORMAT_TEXT;
    write.definition_path = definition.empty() ? nullptr : definition.c_str();
    const vezuved_text_options text = CoreTextOptions(options);
    const int32_t result = vezuved_write_text(collection.get(), path.c_str(), &write, &text);
    SayWarnings(run.err, collection);
    if (result != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
}

}  // namespace vezuved_cli
