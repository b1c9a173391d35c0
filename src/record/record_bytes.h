// The bytes of one database record: the point's text line, its NUL, a pad
// byte to an even offset, and a 22-byte trailer with the position, the
// elevation and, for tracks and routes, the leg from the previous point.
// Building a trailer advances the running previous-point state, so records
// must be built in database order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "record/point_record.h"
#include "state/conversion_state.h"

namespace vezuved {

constexpr size_t kTrailerSize = 22;

// Texts of 65534 characters or more do not fit the format's 16-bit offsets.
constexpr size_t kMaxRecordText = 65533;
constexpr size_t kNoDescLimit = static_cast<size_t>(-1);

struct RecordTrailer {
    int32_t latitude = 0;     // millionths of a degree
    int32_t longitude = 0;    // millionths of a degree
    int32_t elevation = 0;    // feet
    int32_t legTime = 0;      // seconds
    int32_t legDistance = 0;  // ten-thousandths of a nautical mile
};

// Reused from record to record, so building costs no allocation per record.
struct RecordBytes {
    std::vector<uint8_t> bytes;  // bytes[0 .. length)
    size_t length = 0;
    size_t trailerOffset = 0;
    RecordTrailer trailer;
    // After a refusal for length: the description characters this record
    // could have held; kNoDescLimit after any other outcome.
    size_t descRoom = kNoDescLimit;
};

// Builds the record's bytes with the trailer integers least significant
// byte first, for a database of the given kind. Blanks separators in the
// record's name and description in place. Returns 0; -1 when memory runs
// out or the text is too long (previous is then unchanged).
int BuildRecordBytes(
    PointRecord& record, int32_t index, int32_t kind, PreviousPoint& previous, RecordBytes& out);

// Computes the trailer values and advances previous to this point.
void FillRecordTrailer(
    int32_t index, int32_t kind, const PointRecord& record, PreviousPoint& previous, RecordTrailer& trailer);

// Stores the trailer's 22 bytes at out, the integers in the byte order asked.
void StoreTrailer(const RecordTrailer& trailer, uint8_t* out, bool bigEndian);

}  // namespace vezuved
