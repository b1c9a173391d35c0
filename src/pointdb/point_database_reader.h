// Reading point, route and track databases into arrays of point records,
// and classifying a database by its header.
#pragma once

#include <cstdint>
#include <string>

#include "pdb/pdb.h"
#include "state/conversion_state.h"

namespace vezuved {

// The text line of a record: its bytes up to the first NUL. A record
// without a NUL is read as far as it goes, through a terminated copy in
// scratch, so nothing is ever read past the record.
const char* RecordText(const uint8_t* data, uint32_t size, std::string& scratch);

// Sets state's DBKind, Source, DBVersion and NumRecords from the header. Returns 0,
// a container code, or 65535 for a type the library does not know.
uint32_t ReadHeaderFacts(ConversionState& state, PdbHandle* handle);

// Tells a route from a track by byte 275 of the application info block.
void RefineTrackKind(ConversionState& state, PdbHandle* handle);

// Resets state, then leaves in it the kind and record count read. A record
// whose description finds no memory is passed over, as the host expects;
// refused, when given, counts them for a caller that must not lose one.
int32_t DoReadPointDatabase(
    ConversionState& state, const char* path, void** records, int32_t* kind, uint32_t* refused = nullptr);

int32_t GetPointDatabaseInfo(ConversionState& state,
                             const char* path,
                             int32_t* kind,
                             int32_t* source,
                             int32_t* version,
                             int32_t* count);

}  // namespace vezuved
