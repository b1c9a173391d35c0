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

// The one warning of the values of set's points and of its texts that
// what (a database, a text) cannot hold, with their count, when it has any.
void AddExtrasWarning(const std::string& path,
                      const maps::PointSet& set,
                      const std::string& what,
                      maps::MapWarnings& warnings);

// The one warning of what fitting changed in path's texts, when it changed any.
void AddFittingWarning(const std::string& path,
                       const maps::FittingReport& fitting,
                       maps::MapWarnings& warnings);

}  // namespace vezuved::core
