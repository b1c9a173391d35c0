#include "record/record_parse.h"

#include <cstddef>
#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/text_bounds.h"
#include "convert/time_text.h"
#include "record/columns.h"

namespace vezuved {

namespace {

constexpr size_t kShortField = 31;
constexpr size_t kLongField = 255;

// Text columns of a record line.
struct SlotTarget {
    int slot;
    size_t offset;
    size_t maxChars;
};

char* FieldAt(PointRecord& record, size_t offset) { return reinterpret_cast<char*>(&record) + offset; }

void WriteCoordinate(char (&field)[32], double value) { FormatFixed7(value, field, sizeof field); }

// Whether text is already what writing the value it reads as gives: an
// optional '-', an integer part of at most 8 digits without a leading zero
// (or "0" alone), '.', and seven decimals. At most 15 digits read and write
// back exactly, so such a text is kept as it is: the usual case on export,
// where every stored coordinate has been written this way before.
bool IsCanonicalDecimal(const char* text) {
    const char* p = text;
    if (*p == '-') ++p;
    const char* digits = p;
    while (IsAsciiDigit(*p)) ++p;
    const ptrdiff_t integerDigits = p - digits;
    if (integerDigits == 0 || integerDigits > 8 || (integerDigits > 1 && *digits == '0')) return false;
    if (*p++ != '.') return false;
    for (int i = 0; i < 7; ++i, ++p) {
        if (!IsAsciiDigit(*p)) return false;
    }
    return *p == '\0';
}

// The coordinate in canonical form. Every layout but the compact one reads
// a text that starts with a sign or a digit as a plain decimal.
void NormalizeCoordinate(char (&field)[32], double (*parse)(const char*, uint16_t), uint16_t locFormat) {
    if (locFormat != kLocComp && IsCanonicalDecimal(field)) return;
    WriteCoordinate(field, parse(field, locFormat));
}

}  // namespace

bool StoreDescColumn(PointRecord& record, const ColumnSpan& column, DescPool* pool) {
    if (column.begin == nullptr || *column.begin == '\0') return true;
    const size_t length = SpanTextLength(column);
    char* desc = DescReserve(record, length + 2, pool);
    if (desc == nullptr) return false;
    CopyColumnSpan(column, desc, length + 1);
    return true;
}

int ParseRecordLine(const char* line, PointRecord& record) {
    ClearKeepDesc(record);
    ColumnSpan columns[7];
    SplitColumns(line, kRecordSeparators, columns, 7);
    const SlotTarget targets[6] = {
        {0, offsetof(PointRecord, latitude), kShortField},
        {1, offsetof(PointRecord, longitude), kShortField},
        {2, offsetof(PointRecord, elevation), kShortField},
        {3, offsetof(PointRecord, time), kShortField},
        {4, offsetof(PointRecord, name), kLongField},
        {5, offsetof(PointRecord, icon), kLongField},
    };
    for (const SlotTarget& t : targets) {
        if (columns[t.slot].begin != nullptr) {
            CopyColumnSpan(columns[t.slot], FieldAt(record, t.offset), t.maxChars);
        }
    }
    if (!StoreDescColumn(record, columns[6])) return -1;
    NormalizePoint(record, kLocNum, 0);
    return 0;
}

void NormalizePoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat) {
    TrimSpaces(record.name);
    TrimSpaces(record.latitude);
    TrimSpaces(record.longitude);
    TrimSpaces(record.elevation);
    TrimSpaces(record.time);
    TrimSpaces(record.icon);
    NormalizeTrimmedPoint(record, locFormat, eleFormat);
}

void NormalizeTrimmedPoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat) {
    if (record.time[0] != '\0') NormalizeTimeText(record.time, sizeof record.time);
    NormalizeCoordinate(record.latitude, ParseLatitudeText, locFormat);
    NormalizeCoordinate(record.longitude, ParseLongitudeText, locFormat);
    // An unknown elevation stays unknown in every unit.
    if (eleFormat == 1 && record.elevation[0] != '\0') {
        FormatFixed7(ReadDecimal(record.elevation) * 3.2808, record.elevation, sizeof record.elevation);
    }
}

}  // namespace vezuved
