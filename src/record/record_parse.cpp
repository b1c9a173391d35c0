#include "record/record_parse.h"

#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/time_text.h"
#include "record/columns.h"

namespace {

constexpr size_t kShortField = 31;
constexpr size_t kLongField = 255;

// Text columns of a record line.
struct SlotTarget {
    int slot;
    size_t offset;
    size_t maxChars;
};

char* FieldAt(PointRecord& record, size_t offset) {
    return reinterpret_cast<char*>(&record) + offset;
}

void WriteCoordinate(char (&field)[32], double value) { FormatFixed7(value, field, sizeof field); }

}  // namespace

bool StoreDescColumn(PointRecord& record, const char* start, int separator) {
    if (start == nullptr || *start == '\0') return true;
    size_t length = ColumnTextLength(start, separator);
    char* desc = DescReserve(record, length + 2);
    if (desc == nullptr) return false;
    CopyColumnAt(start, desc, length + 1, separator);
    return true;
}

int ParseRecordLine(const char* line, PointRecord& record) {
    ClearKeepDesc(record);
    const char* starts[7];
    IndexColumns(line, kRecordSeparators, starts, 7);
    const SlotTarget targets[6] = {
        {0, offsetof(PointRecord, latitude), kShortField},
        {1, offsetof(PointRecord, longitude), kShortField},
        {2, offsetof(PointRecord, elevation), kShortField},
        {3, offsetof(PointRecord, time), kShortField},
        {4, offsetof(PointRecord, name), kLongField},
        {5, offsetof(PointRecord, icon), kLongField},
    };
    for (const SlotTarget& t : targets) {
        if (starts[t.slot] != nullptr) {
            CopyColumnAt(starts[t.slot], FieldAt(record, t.offset), t.maxChars, kRecordSeparators);
        }
    }
    if (!StoreDescColumn(record, starts[6], kRecordSeparators)) return -1;
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
    if (record.time[0] != '\0') NormalizeTimeText(record.time, sizeof record.time);
    WriteCoordinate(record.latitude, ParseLatitudeText(record.latitude, locFormat));
    WriteCoordinate(record.longitude, ParseLongitudeText(record.longitude, locFormat));
    // An unknown elevation stays unknown in every unit.
    if (eleFormat == 1 && record.elevation[0] != '\0') {
        FormatFixed7(ReadDecimal(record.elevation) * 3.2808, record.elevation,
                     sizeof record.elevation);
    }
}

