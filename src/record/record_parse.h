// The line of a point database record turned into a point record with its
// texts in canonical form, and the steps the text layouts share with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "record/columns.h"
#include "record/point_record.h"

namespace vezuved {

// Clears the record but for its description buffer and fills it from a
// record line, whose columns ',' and '*' both end. 0, or -1 when a
// description buffer cannot be allocated.
int ParseRecordLine(const char* line, PointRecord& record);

// Trims the fields and writes the time, the position and the elevation in
// canonical form, reading them by the formats given.
void NormalizePoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat);

// NormalizePoint for a record whose fields are trimmed already.
void NormalizeTrimmedPoint(PointRecord& record, uint16_t locFormat, uint16_t eleFormat);

// Drops the leading and trailing spaces of a field that holds length
// characters, as TrimSpaces does, without looking for its end.
inline void TrimCopiedField(char* field, size_t length) {
    size_t first = 0;
    while (first < length && field[first] == ' ') ++first;
    while (length > first && field[length - 1] == ' ') --length;
    if (first != 0) std::memmove(field, field + first, length - first);
    field[length - first] = '\0';
}

// Stores the column as the record's description, sized by the column itself
// so nothing the line holds is dropped, whichever column it is. Nothing is
// stored when the line ends before the column. A new buffer comes from the
// pool when one is given. False when no buffer can be had.
bool StoreDescColumn(PointRecord& record, const ColumnSpan& column, DescPool* pool = nullptr);

}  // namespace vezuved
