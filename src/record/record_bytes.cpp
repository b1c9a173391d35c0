#include "record/record_bytes.h"

#include <cmath>
#include <cstring>

#include "convert/coordinates.h"
#include "convert/distance.h"
#include "convert/number_text.h"
#include "convert/time_text.h"
#include "record/record_format.h"

namespace vezuved {

namespace {

// Truncation toward zero that stays defined for values outside 32 bits.
int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void StoreInt32(uint8_t* out, int32_t value, bool bigEndian) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        out[i] = static_cast<uint8_t>(v >> shift);
    }
}

void AppendField(std::vector<uint8_t>& bytes, size_t& length, const char* text) {
    size_t n = std::strlen(text);
    std::memcpy(bytes.data() + length, text, n);
    length += n;
}

}  // namespace

void StoreTrailer(const RecordTrailer& trailer, uint8_t* out, bool bigEndian) {
    std::memset(out, 0, kTrailerSize);
    StoreInt32(out + 2, trailer.latitude, bigEndian);
    StoreInt32(out + 6, trailer.longitude, bigEndian);
    StoreInt32(out + 10, trailer.elevation, bigEndian);
    StoreInt32(out + 14, trailer.legTime, bigEndian);
    StoreInt32(out + 18, trailer.legDistance, bigEndian);
}

void FillRecordTrailer(
    int32_t index, int32_t kind, const PointRecord& record, PreviousPoint& previous, RecordTrailer& trailer) {
    double latitudeDegrees = 0.0;
    double longitudeDegrees = 0.0;
    ParseCoordinate(record.latitude, latitudeDegrees);
    ParseCoordinate(record.longitude, longitudeDegrees);
    trailer = RecordTrailer{};
    trailer.latitude = TruncateToInt32(latitudeDegrees * 1000000.0);
    trailer.longitude = TruncateToInt32(longitudeDegrees * 1000000.0);
    trailer.elevation = TruncateToInt32(ReadDecimal(record.elevation));

    TimeParts parts;
    bool timed = false;
    if (record.time[0] != '\0') {
        ParseCompactTime(record.time, parts);
        timed = previous.FirstPoint == 1;
    } else {
        // From a point without a time on, legs carry no time until the next reset.
        previous.FirstPoint = 0;
    }

    if (index > 0 && (kind == kKindTrack || kind == kKindRoute)) {
        double distance = std::fabs(
            DistanceNm(previous.PrevLatitude, previous.PrevLongitude, trailer.latitude, trailer.longitude));
        trailer.legDistance = TruncateToInt32(distance * 10000.0);
        if (timed) {
            double elapsed = 0.0;
            ElapsedSeconds(elapsed, previous.PrevTime, parts);
            trailer.legTime = TruncateToInt32(elapsed);
        }
    }
    if (timed) previous.PrevTime = parts;
    previous.PrevLatitude = trailer.latitude;
    previous.PrevLongitude = trailer.longitude;
}

int BuildRecordBytes(
    PointRecord& record, int32_t index, int32_t kind, PreviousPoint& previous, RecordBytes& out) {
    char* desc = DescText(record);
    const size_t descLength = desc != nullptr ? std::strlen(desc) : 0;
    out.descRoom = kNoDescLimit;
    try {
        // Room for the six fixed fields at their largest, the separators,
        // the description, the terminator, the pad byte and the trailer.
        out.bytes.resize(descLength + 788);
    } catch (...) {
        return -1;
    }
    BlankSeparators(desc);
    BlankSeparators(record.name);

    size_t length = 0;
    const char* fixed[] = {
        record.latitude, record.longitude, record.elevation, record.time, record.name, record.icon};
    for (const char* field : fixed) {
        AppendField(out.bytes, length, field);
        out.bytes[length++] = ',';
    }
    const size_t fixedLength = length;
    if (desc != nullptr) AppendField(out.bytes, length, desc);
    if (length > kMaxRecordText) {
        out.descRoom = fixedLength < kMaxRecordText ? kMaxRecordText - fixedLength : 0;
        return -1;
    }

    const size_t trailerOffset = (length + 2) & ~static_cast<size_t>(1);
    out.bytes[length] = 0;
    if (trailerOffset == length + 2) out.bytes[length + 1] = 0;
    FillRecordTrailer(index, kind, record, previous, out.trailer);
    StoreTrailer(out.trailer, out.bytes.data() + trailerOffset, false);
    out.trailerOffset = trailerOffset;
    out.length = trailerOffset + kTrailerSize;
    return 0;
}

}  // namespace vezuved
