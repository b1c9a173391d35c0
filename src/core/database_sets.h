// The handheld's point, route and track databases read into a set and
// written from one, through the library's own database reader and writer.
// Each call hands them a conversion state of its own, holds the library
// lock and keeps the library's messages to itself: nothing is printed, and
// a host's own calls see no change.
#pragma once

#include <cstdint>
#include <string>

#include "maps/map_warning.h"
#include "record/point_record.h"
#include "sets/points.h"
#include "sets/record_fitting.h"

namespace vezuved::core {

// The point a database's record holds, its texts in encoding.
maps::Point PointOfRecord(const PointRecord& record, maps::RecordEncoding encoding);

// What a database's header says.
struct DatabaseFacts {
    int32_t kind = 0;     // VEZUVED_KIND_* of vezuved.h
    int32_t layout = 0;   // VEZUVED_SOURCE_*: the text layout its records keep
    int32_t version = 0;  // the header's version
    int32_t records = 0;  // records held, an older layout's placeholder included
};
// The header of the database at path; fails (VEZUVED_ERROR_OPEN, _FORMAT)
// with the cause: no Palm database, a damaged record list, a type the
// library does not know.
DatabaseFacts ReadDatabaseFacts(const std::string& path);

// The database at path as one set named after the file. A record no writer
// could take is left out with a warning, or, strict, fails the read. Fails
// with a CoreFailure: VEZUVED_ERROR_OPEN, _FORMAT or _MEMORY.
maps::PointSet ReadDatabaseFile(const std::string& path,
                                maps::RecordEncoding encoding,
                                bool strict,
                                maps::MapWarnings& warnings);

// Writes set as a database of its kind at path, whole or not at all; the
// texts fitted to the record are said in warnings. older: a track or route
// in the older layout, its placeholder record first. Fails with
// VEZUVED_ERROR_WRITE (or _ARGUMENT for more points than a database holds),
// the previous file whole.
void WriteDatabaseFile(const std::string& path,
                       const maps::PointSet& set,
                       maps::RecordEncoding encoding,
                       maps::MapWarnings& warnings,
                       bool older = false);

}  // namespace vezuved::core
