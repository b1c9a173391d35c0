#include "record/record_parse.h"

#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/time_text.h"
#include "base/ascii.h"
#include "state/conversion_state.h"
#include "record/columns.h"

namespace {

constexpr size_t kShortField = 31;
constexpr size_t kLongField = 255;
constexpr size_t kDateColumn = 15;

// Text columns of a delimited line, in FieldMap slot order.
struct SlotTarget {
    int slot;
    size_t offset;
    size_t maxChars;
};

char* FieldAt(PointRecord& record, size_t offset) {
    return reinterpret_cast<char*>(&record) + offset;
}

// Stores the column that starts at `start` as the record's description,
// sized by the column itself so nothing the line holds is dropped, whichever
// column it is. Nothing is stored when the line ends before the column.
// False when no buffer can be had.
bool StoreDescColumn(PointRecord& record, const char* start, int separator) {
    if (start == nullptr || *start == '\0') return true;
    size_t length = ColumnTextLength(start, separator);
    char* desc = DescReserve(record, length + 2);
    if (desc == nullptr) return false;
    CopyColumnAt(start, desc, length + 1, separator);
    return true;
}

int ParseRecordLine(const char* line, PointRecord& record) {
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

// Start of column c of a line whose first columns were indexed.
const char* ColumnStart(const char* line, const char* const* starts, int indexed, int c,
                        int separator) {
    if (c < 0) return nullptr;
    if (c < indexed) return starts[c];
    const char* p = FindColumn(line, c, separator);
    // FindColumn answers the line's end for a missing column; a present but
    // empty last column also starts there, and both read as empty.
    return p;
}

int ParseDelimitedLine(const char* line, PointRecord& record, int mode) {
    ConversionState& state = State();
    if (mode == kModeTab) state.Delimited = '\t';
    const int separator = static_cast<unsigned char>(state.Delimited);

    // Only as many columns are indexed as the map reaches (at most 16; a
    // column further right is found by its own walk).
    constexpr int kIndexed = 16;
    int needed = 1;
    for (int slot = kSlotLatitude; slot <= kSlotDate; ++slot) {
        const int column = state.FieldMap[slot];
        if (column >= needed) needed = column + 1;
    }
    const int indexed = needed < kIndexed ? needed : kIndexed;
    const char* starts[kIndexed];
    IndexColumns(line, separator, starts, indexed);
    auto column = [&](int slot) {
        return ColumnStart(line, starts, indexed, state.FieldMap[slot], separator);
    };
    auto copy = [&](int slot, char* field, size_t maxChars) {
        const char* start = column(slot);
        if (start != nullptr) CopyColumnAt(start, field, maxChars, separator);
    };

    copy(kSlotLatitude, record.latitude, kShortField);
    copy(kSlotLongitude, record.longitude, kShortField);
    copy(kSlotElevation, record.elevation, kShortField);
    copy(kSlotTime, record.time, kShortField);
    if (state.FieldMap[kSlotDate] >= 0) {
        // The date column joins the time after one space; the joined text is
        // cut to the field if it grows past it.
        char date[kDateColumn + 1];
        date[0] = '\0';
        if (const char* start = column(kSlotDate)) CopyColumnAt(start, date, kDateColumn, separator);
        TrimSpaces(date);
        char joined[kShortField + 1 + kDateColumn + 1];
        size_t timeLength = std::strlen(record.time);
        std::memcpy(joined, record.time, timeLength);
        joined[timeLength] = ' ';
        std::strcpy(joined + timeLength + 1, date);
        CopyField(record.time, joined);
    }
    copy(kSlotName, record.name, kLongField);
    if (state.FieldMap[kSlotIcon] < 0) {
        CopyField(record.icon, state.DefaultIcon.c_str());
    } else {
        copy(kSlotIcon, record.icon, kLongField);
    }
    if (!StoreDescColumn(record, column(kSlotDesc), separator)) return -1;
    NormalizePoint(record, state.LocFormat, state.EleFormat);
    return 0;
}

int ParseWholeLine(const char* line, PointRecord& record) {
    size_t length = std::strlen(line);
    char* desc = DescReserve(record, length + 1);
    if (desc == nullptr) return -1;
    std::memcpy(desc, line, length + 1);
    return 0;
}

void WriteCoordinate(char (&field)[32], double value) { FormatFixed7(value, field, sizeof field); }

}  // namespace

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

int ParseWaypointLine(const char* line, PointRecord* record) {
    char first[kShortField + 1];
    GetColumn(line, first, 0, kShortField, '\t');
    if (!EqualsIgnoreCase(first, "WAYPOINT")) return -1;
    if (record == nullptr) return 0;

    // The whole record is cleared, description included: the old buffer is
    // freed rather than dropped, and a fresh one is attached.
    DescFree(*record);
    std::memset(record, 0, sizeof *record);
    GetColumn(line, record->name, 1, kLongField, '\t');

    char position[kShortField + 1];
    GetColumn(line, position, 4, kShortField, '\t');
    char* firstSpace = std::strchr(position, ' ');
    char* secondSpace = firstSpace ? std::strchr(firstSpace + 1, ' ') : nullptr;
    if (secondSpace != nullptr) {
        *secondSpace = '\0';
        CopyField(record->latitude, position);
        CopyField(record->longitude, secondSpace + 1);
    }
    return DescAllocate(*record, kGarminDescSize) == nullptr ? -1 : 0;
}

int ParseFixedLine(const char* line, PointRecord& record) {
    ConversionState& state = State();
    if (state.FieldMap[kSlotIcon] < 0) CopyField(record.icon, state.DefaultIcon.c_str());

    static constexpr int kSlots[] = {kSlotLatitude, kSlotLongitude, kSlotElevation, kSlotTime,
                                     kSlotName,     kSlotIcon,      kSlotDesc};
    const size_t lineLength = std::strlen(line);
    size_t position = 0;
    const char* widths = state.FieldLen.c_str();
    for (int c = 0;; ++c) {
        char entry[11];
        GetColumn(widths, entry, c, 10, ',');
        if (entry[0] == '\0') break;
        int32_t width = ReadInteger(entry);
        // A negative width takes nothing; a column is never read past the
        // line's end.
        size_t take = width > 0 ? static_cast<size_t>(width) : 0;
        size_t available = position < lineLength ? lineLength - position : 0;
        size_t length = take < available ? take : available;
        const char* text = line + (position < lineLength ? position : lineLength);

        for (int slot : kSlots) {
            if (state.FieldMap[slot] != c) continue;
            switch (slot) {
                case kSlotLatitude: CopyField(record.latitude, text, length); break;
                case kSlotLongitude: CopyField(record.longitude, text, length); break;
                case kSlotElevation: CopyField(record.elevation, text, length); break;
                case kSlotTime: CopyField(record.time, text, length); break;
                case kSlotName: CopyField(record.name, text, length); break;
                case kSlotIcon: CopyField(record.icon, text, length); break;
                case kSlotDesc: {
                    char* desc = DescReserve(record, length + 1);
                    if (desc == nullptr) return -1;
                    CopyField(desc, length + 1, text, length);
                    break;
                }
            }
            break;
        }
        position += take;
        if (position > lineLength) position = lineLength;
    }
    NormalizePoint(record, state.LocFormat, state.EleFormat);
    return 0;
}

int ParsePointLine(const char* line, PointRecord* record, int mode) {
    if (mode == kModeGarmin) return ParseWaypointLine(line, record);
    if (record == nullptr) return 0;
    ClearKeepDesc(*record);
    switch (mode) {
        case kModePlain:
        case kModeSurvey: return ParseWholeLine(line, *record);
        case kModeFixed: return ParseFixedLine(line, *record);
        case kModeRecordLine: return ParseRecordLine(line, *record);
        default: return ParseDelimitedLine(line, *record, mode);
    }
}
