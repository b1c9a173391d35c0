// A set's points as the library's point records, for the writers that go
// through them (databases, text by a definition): positions with seven
// decimals, elevations in feet with seven, times as the record writes
// them, texts fitted to the record and to the output.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "maps/map_warning.h"
#include "record/point_record.h"
#include "sets/points.h"
#include "sets/record_fitting.h"

namespace vezuved::core {

// Records made to be written, each owning its description.
struct WrittenRecords {
    explicit WrittenRecords(size_t count);
    WrittenRecords(const WrittenRecords&) = delete;
    WrittenRecords& operator=(const WrittenRecords&) = delete;
    ~WrittenRecords();
    std::vector<PointRecord> records;
};

// Fills written (made for set.points.size() records) with the set's points;
// what fitting changed goes into fitting. Fails (VEZUVED_ERROR_MEMORY,
// naming path) when a description cannot be held.
void FillRecords(const maps::PointSet& set,
                 maps::RecordUse use,
                 maps::RecordEncoding encoding,
                 const std::string& path,
                 WrittenRecords& written,
                 maps::FittingReport& fitting);

// Who holds what of the values beyond a point's own fields: a database or
// a text holds none of them; GPX every one but KML's own (a Folder's name,
// a TimeSpan's end).
enum class ExtrasHolder { Nothing, Gpx };

// The one warning of the values of the sets' points and of their texts that
// what (a database, a text, GPX) cannot hold, with their count, when they
// have any.
void AddExtrasWarning(const std::string& path,
                      const maps::PointSet* sets,
                      size_t count,
                      const std::string& what,
                      maps::MapWarnings& warnings,
                      ExtrasHolder holder = ExtrasHolder::Nothing);

// The one warning of what fitting changed in path's texts, when it changed any.
void AddFittingWarning(const std::string& path,
                       const maps::FittingReport& fitting,
                       maps::MapWarnings& warnings);

}  // namespace vezuved::core
