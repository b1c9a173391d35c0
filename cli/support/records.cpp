#include "support/records.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "support/failure.h"

namespace vezuved_cli {
namespace {

std::string FieldText(const char* field, size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

bool HoldsPoint(const RLPointRecord& record) {
    return record.name[0] != '\0' || record.latitude[0] != '\0' || record.longitude[0] != '\0' ||
           record.time[0] != '\0' || record.elevation[0] != '\0' || record.icon[0] != '\0' ||
           RLGetPointDesc(&record) != nullptr;
}

void Collect(LoadedPoints& loaded) {
    for (int32_t i = 0; i < loaded.records.count(); ++i) {
        const RLPointRecord& record = loaded.records[i];
        if (!HoldsPoint(record)) continue;
        loaded.kept.push_back(i);
        // Fields are NUL-terminated inside their capacity; strnlen guards
        // against a record that is not.
        loaded.set.points.push_back(MakePoint(
            FieldText(record.name, sizeof record.name).c_str(),
            FieldText(record.latitude, sizeof record.latitude).c_str(),
            FieldText(record.longitude, sizeof record.longitude).c_str(),
            FieldText(record.elevation, sizeof record.elevation).c_str(),
            FieldText(record.time, sizeof record.time).c_str(),
            FieldText(record.icon, sizeof record.icon).c_str(), RLGetPointDesc(&record)));
    }
}

// The kind a text file holds: the one asked for, else its definition's.
int32_t TextKind(const std::string& definition, const TextOptions& options) {
    if (options.kind) return *options.kind == 65 ? 1 : *options.kind == 66 ? 2 : *options.kind;
    if (definition.empty()) return VEZUVED_KIND_POINT;
    int32_t length = 0;
    RLGetCalFileInfo("DBType", definition.c_str(), nullptr, &length);
    if (length <= 0 || length > 511) return VEZUVED_KIND_POINT;
    std::string value(static_cast<size_t>(length) + 1, '\0');
    RLGetCalFileInfo("DBType", definition.c_str(), value.data(), &length);
    value.resize(static_cast<size_t>(length));
    return KindForDefinitionType(value).value_or(VEZUVED_KIND_POINT);
}

const int16_t* ColumnsOrNull(const TextOptions& options) {
    return options.columns ? options.columns->data() : nullptr;
}

}  // namespace

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

OwnedRecords::OwnedRecords(const LibraryRecords& source, const std::vector<int32_t>& indexes) {
    records_.resize(indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        const RLPointRecord& from = source[indexes[i]];
        RLPointRecord& to = records_[i];
        std::memset(&to, 0, sizeof to);
        std::memcpy(to.name, from.name, sizeof to.name);
        std::memcpy(to.latitude, from.latitude, sizeof to.latitude);
        std::memcpy(to.longitude, from.longitude, sizeof to.longitude);
        std::memcpy(to.time, from.time, sizeof to.time);
        std::memcpy(to.elevation, from.elevation, sizeof to.elevation);
        std::memcpy(to.icon, from.icon, sizeof to.icon);
        if (const char* desc = RLGetPointDesc(&from); desc != nullptr && RLSetPointDesc(&to, desc) != 0) {
            FailConversion("memory ran out while copying the points");
        }
    }
}

OwnedRecords::~OwnedRecords() {
    for (RLPointRecord& record : records_) RLSetPointDesc(&record, nullptr);
}

std::string BaseTitle(const std::string& path) { return std::filesystem::path(path).stem().string(); }

std::string ResolveDefinition(const std::string& dataPath, const std::string& given) {
    if (!given.empty()) {
        RequireInputFile(given, "format definition");
        return given;
    }
    const std::string own = DefinitionPathFor(dataPath);
    std::error_code error;
    return std::filesystem::is_regular_file(own, error) ? own : std::string();
}

LoadedPoints ReadDatabase(const std::string& path) {
    RequireInputFile(path, "database");
    // The header first: it tells why a file cannot be read, and the library
    // would read a database of another type as if it held a track.
    int32_t headerKind = 0, source = 0, version = 0, records = 0;
    const int32_t info = RLGetPDBFileInfo(path.c_str(), &headerKind, &source, &version, &records);
    if (info != 0) FailConversion("cannot read the database '" + path + "': " + DatabaseErrorCause(info));
    LoadedPoints loaded;
    void* array = nullptr;
    int32_t kind = 0;
    const int32_t count = RLDBReadPDB(path.c_str(), &array, &kind);
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

LoadedPoints ReadText(const std::string& path, const TextOptions& options) {
    RequireInputFile(path, "text file");
    const std::string definition = ResolveDefinition(path, options.definition);
    LoadedPoints loaded;
    loaded.set.kind = TextKind(definition, options);
    loaded.set.title = BaseTitle(path);
    // Without a definition of its own, the library looks for one beside the
    // text file, finds none and goes on with its defaults.
    const int16_t kind = options.kind ? static_cast<int16_t>(loaded.set.kind) : -1;
    void* array = nullptr;
    const int32_t count = RLDBReadCSV(path.c_str(), definition.empty() ? nullptr : definition.c_str(), kind,
                                      options.layout.value_or(-1), options.elevationFormat.value_or(-1),
                                      ColumnsOrNull(options), &array);
    if (count < 0) FailConversion("cannot read the text file '" + path + "': it is empty or unreadable");
    loaded.records = LibraryRecords(array, count);
    Collect(loaded);
    return loaded;
}

namespace {

constexpr size_t kMostRecords = 65535;

std::unique_ptr<OwnedRecords> RecordsToWrite(const std::string& path, const LoadedPoints& points) {
    if (points.records.count() == 0 && !points.set.points.empty()) {
        return std::make_unique<OwnedRecords>(points.set, path);
    }
    return std::make_unique<OwnedRecords>(points.records, points.kept);
}

}  // namespace

void RequireDatabaseSize(const std::string& path, const LoadedPoints& points) {
    const size_t count = points.records.count() == 0 ? points.set.points.size() : points.kept.size();
    if (count > kMostRecords) {
        FailConversion("cannot write the database '" + path + "': '" + points.set.title + "' has " +
                       std::to_string(count) + " points and a database holds at most 65535");
    }
}

void WriteDatabase(const std::string& path, LoadedPoints& points, int32_t kind) {
    RequireDatabaseSize(path, points);
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(path, points);
    OwnedRecords& records = *owned;
    if (RLDBWritePDB(path.c_str(), records.data(), records.count(), kind) != 0) {
        FailConversion("cannot write the database '" + path + "': the file cannot be created or written");
    }
}

void WriteText(const std::string& path, LoadedPoints& points, const TextOptions& options) {
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(path, points);
    OwnedRecords& records = *owned;
    const std::string& definition = options.definition;
    if (!definition.empty()) RequireInputFile(definition, "format definition");
    const int16_t kind = static_cast<int16_t>(options.kind.value_or(points.set.kind));
    if (RLDBWriteCSV(path.c_str(), definition.empty() ? nullptr : definition.c_str(), kind,
                     options.layout.value_or(-1), options.elevationFormat.value_or(-1),
                     ColumnsOrNull(options), records.data(), records.count()) != 0) {
        FailConversion("cannot write the text file '" + path + "': the file cannot be created");
    }
}

}  // namespace vezuved_cli
