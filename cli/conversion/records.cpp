#include "conversion/records.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <utility>

#include "api/tool_api.h"
#include "conversion/core_text.h"
#include "conversion/text_layout.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/tool_paths.h"
#include "files/tool_platform.h"
#include "files/whole_file.h"
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

const int16_t* ColumnsOrNull(const TextOptions& options) {
    return options.columns ? options.columns->data() : nullptr;
}

void SetField(char* field, size_t capacity, const std::string& text) {
    std::memset(field, 0, capacity);
    text.copy(field, capacity - 1);
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
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(run, path, points, RecordUse::Database);
    OwnedRecords& records = *owned;
    if (kind == VEZUVED_KIND_TRACK_OLD || kind == VEZUVED_KIND_ROUTE_OLD) records.PrependPlaceholder();
    if (tool::WriteDatabase(path, records.data(), records.count(), kind) != 0) {
        FailConversion("cannot write the database '" + path + "': the file cannot be created or written");
    }
}

void WriteMetresAsRecorded(OwnedRecords& records) {
    for (int32_t i = 0; i < records.count(); ++i) {
        RLPointRecord& record = records.data()[i];
        const auto feet = ParseNumber(FieldText(record.elevation, sizeof record.elevation));
        if (feet)
            SetField(record.elevation, sizeof record.elevation, FormatFixed(*feet / kFeetPerMetreRead, 7));
    }
}

TextLayout LoadWritingLayout(const std::string& output,
                             const std::string& definition,
                             const TextOptions& options) {
    RequireInputFile(definition, "format definition");
    TextLayout layout = LoadTextLayout(definition, options);
    if (IsImportOnly(layout.title)) {
        FailUsage("cannot write '" + output + "' through '" + definition + "': the format '" + layout.title +
                  "' can be read but not written back the same way");
    }
    return layout;
}

void WriteMetresOfPoints(OwnedRecords& records, const PointSet& set) {
    for (int32_t i = 0; i < records.count() && static_cast<size_t>(i) < set.points.size(); ++i) {
        RLPointRecord& record = records.data()[i];
        const std::optional<double>& metres = set.points[static_cast<size_t>(i)].elevationMetres;
        if (metres) SetField(record.elevation, sizeof record.elevation, FormatFixed(*metres, 7));
    }
}

void WriteText(const RunContext& run,
               const std::string& path,
               LoadedPoints& points,
               const TextOptions& options) {
    std::unique_ptr<OwnedRecords> owned = RecordsToWrite(run, path, points, RecordUse::Text);
    OwnedRecords& records = *owned;
    std::string definition = options.definition;
    if (definition.empty()) {
        const std::string own = DefinitionPathFor(path);
        std::error_code error;
        if (std::filesystem::is_regular_file(PathOf(own), error)) definition = own;
    }
    TextLayout layout;
    std::optional<int16_t> elevationFormat = options.elevationFormat;
    if (!definition.empty()) {
        layout = LoadWritingLayout(path, definition, options);
        // The library writes feet x 0.3048, not the metres its import read;
        // the records carry those metres and are written as they stand.
        if (layout.eleFormat == 1) {
            if (points.records.count() == 0) {
                WriteMetresOfPoints(records, points.set);
            } else {
                WriteMetresAsRecorded(records);
            }
            elevationFormat = 0;
        }
    }
    // The library writes beside nothing of the user's: a temporary file,
    // completed with the header line and swapped in whole.
    const TemporaryFolder folder = TemporaryFolder::Create();
    const std::string written = folder.File("text");
    const int16_t kind = static_cast<int16_t>(options.kind.value_or(points.set.kind));
    if (RLDBWriteCSV(ExportPath(written).c_str(),
                     definition.empty() ? nullptr : ExportPath(definition).c_str(),
                     kind,
                     options.layout.value_or(-1),
                     elevationFormat.value_or(-1),
                     ColumnsOrNull(options),
                     records.data(),
                     records.count()) != 0) {
        FailConversion("cannot write the text file '" + path + "': a temporary file cannot be created");
    }
    std::string text;
    if (HasHeaderLine(layout)) {
        text = ExpandHeaderTemplate(layout.header, static_cast<uint32_t>(records.count()), points.set.title) +
               "\r\n";
    }
    text += ReadWholeFileOrFail(written, "temporary file");
    WriteFileOrFail(path, text);
}

}  // namespace vezuved_cli
