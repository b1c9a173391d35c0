#include "core/database_sets.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/memory.h"
#include "core/core_failure.h"
#include "core/library_call.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/point_database_writer.h"
#include "pointdb/write_point_database.h"
#include "record/point_record.h"
#include "sets/encoding.h"
#include "sets/number_text.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {
namespace {

// The records a read hands back, with their descriptions, freed whole.
struct ReadRecords {
    ReadRecords() = default;
    ReadRecords(const ReadRecords&) = delete;
    ReadRecords& operator=(const ReadRecords&) = delete;
    ~ReadRecords() {
        if (array == nullptr) return;
        for (int32_t i = 0; i < count; ++i) DescFree(*RecordAt(array, static_cast<size_t>(i)));
        MemFree(array);
    }
    void* array = nullptr;
    int32_t count = 0;  // records whose descriptions are still to be freed
};

// Records made to be written, each owning its description.
struct WrittenRecords {
    explicit WrittenRecords(size_t count) : records(count) {
        for (PointRecord& record : records) std::memset(&record, 0, sizeof record);
    }
    WrittenRecords(const WrittenRecords&) = delete;
    WrittenRecords& operator=(const WrittenRecords&) = delete;
    ~WrittenRecords() {
        for (PointRecord& record : records) DescFree(record);
    }
    std::vector<PointRecord> records;
};

template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

// Copies text into a fixed field, cut to leave room for its NUL.
template <size_t N>
void Put(char (&field)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

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

int32_t SetKindOf(int32_t databaseKind) {
    if (databaseKind == VEZUVED_KIND_TRACK) return VEZUVED_SET_TRACK;
    if (databaseKind == VEZUVED_KIND_ROUTE) return VEZUVED_SET_ROUTE;
    return VEZUVED_SET_WAYPOINTS;
}

}  // namespace

maps::PointSet ReadDatabaseFile(const std::string& path,
                                maps::RecordEncoding encoding,
                                maps::MapWarnings& warnings) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr)
        FailCore(VEZUVED_ERROR_OPEN, "cannot read '" + path + "': the file cannot be opened");
    std::fclose(probe);

    maps::PointSet set;
    LibraryCall call;
    ReadRecords read;
    int32_t kind = 0;
    const int32_t count = DoReadPointDatabase(path.c_str(), &read.array, &kind);
    if (count < 0) {
        // The reader freed the descriptions of a failed read itself.
        read.count = 0;
        const std::string said = call.Said();
        FailCore(VEZUVED_ERROR_FORMAT,
                 "cannot read '" + path + "': it is no readable point, route or track database" +
                     (said.empty() ? "" : " (" + said + ")"));
    }
    read.count = count;
    set.kind = SetKindOf(kind);
    char name[kMaxDatabaseName + 1];
    DatabaseNameFromPath(path.c_str(), name);
    set.title = encoding == maps::RecordEncoding::Utf8 ? name : maps::Cp1252ToUtf8(name);
    set.points.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        maps::Point point = PointOfRecord(*RecordAt(read.array, static_cast<size_t>(i)), encoding);
        const std::string fault = maps::PointFault(point);
        if (!fault.empty()) {
            const std::string cause = "record " + std::to_string(i + 1) +
                                      (point.name.empty() ? "" : " '" + point.name + "'") + ": " + fault +
                                      "; the point is left out";
            warnings.push_back({path, 0, cause, path + ": " + cause});
            continue;
        }
        // A break of a point left out passes to the next one kept.
        point.segmentStart = false;
        set.points.push_back(std::move(point));
    }
    return set;
}

void WriteDatabaseFile(const std::string& path,
                       const maps::PointSet& set,
                       maps::RecordEncoding encoding,
                       maps::MapWarnings& warnings) {
    if (set.points.size() > kMaxDatabaseRecords) {
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "cannot write '" + path + "': its set holds " + std::to_string(set.points.size()) +
                     " points and a database at most " + std::to_string(kMaxDatabaseRecords));
    }
    WrittenRecords written(set.points.size());
    maps::FittingReport fitting;
    const auto fit = [&](const std::string& text, maps::RecordField field, size_t room) {
        return maps::FitRecordText(text, maps::RecordUse::Database, field, room, fitting, encoding);
    };
    for (size_t i = 0; i < set.points.size(); ++i) {
        const maps::Point& point = set.points[i];
        PointRecord& record = written.records[i];
        Put(record.name, fit(point.name, maps::RecordField::Name, maps::kNameRoom));
        Put(record.icon, fit(point.icon, maps::RecordField::Icon, maps::kNameRoom));
        if (point.latitude) Put(record.latitude, maps::FormatFixed(*point.latitude, 7));
        if (point.longitude) Put(record.longitude, maps::FormatFixed(*point.longitude, 7));
        // Feet of exactly 0.3048 m, with seven decimals as the library
        // writes a converted elevation: metres come back as they went out.
        if (point.elevationMetres) {
            Put(record.elevation, maps::FormatFixed(*point.elevationMetres / maps::kMetresPerFoot, 7));
        } else if (point.elevationFeet) {
            Put(record.elevation, maps::FormatFixed(*point.elevationFeet, 7));
        }
        if (point.time) Put(record.time, maps::FormatRecordTime(*point.time));
        if (point.description) {
            const std::string text = fit(*point.description, maps::RecordField::Description, 0);
            if (!text.empty() && !DescSetCopy(record, text.c_str())) {
                FailCore(VEZUVED_ERROR_MEMORY, "cannot write '" + path + "': memory ran out");
            }
        }
    }
    std::string fitted = maps::FittingWarning(path, fitting);
    if (!fitted.empty()) {
        // The sentence without the tool's "vezuved: warning: " and its line end.
        const std::string prefix = "vezuved: warning: ";
        if (fitted.compare(0, prefix.size(), prefix) == 0) fitted.erase(0, prefix.size());
        if (!fitted.empty() && fitted.back() == '\n') fitted.pop_back();
        const std::string quoted = "'" + path + "': ";
        const std::string cause =
            fitted.compare(0, quoted.size(), quoted) == 0 ? fitted.substr(quoted.size()) : fitted;
        warnings.push_back({path, 0, cause, fitted});
    }

    LibraryCall call;
    const int32_t kind = set.kind == VEZUVED_SET_TRACK   ? VEZUVED_KIND_TRACK
                         : set.kind == VEZUVED_SET_ROUTE ? VEZUVED_KIND_ROUTE
                                                         : VEZUVED_KIND_POINT;
    PointRecord none{};
    void* records = written.records.empty() ? &none : written.records.data();
    if (WritePointDatabase(path.c_str(), records, static_cast<int32_t>(written.records.size()), kind) != 0) {
        const std::string said = call.Said();
        FailCore(VEZUVED_ERROR_WRITE, said.empty() ? "cannot write '" + path + "'" : said);
    }
}

}  // namespace vezuved::core
