// Cutting a line into columns. A double quote outside quotes opens a quoted
// stretch and the next one closes it; inside, the separator is plain text;
// the quotes themselves are dropped. There is no escape for a quote.
#pragma once

#include <cstddef>

// Separator value that makes both ',' and '*' end a column: the rule of a
// point database record line.
constexpr int kRecordSeparators = 0;

// Copies column `column` of line into output (room for maxChars + 1 bytes),
// NUL-terminated; empty when the line has fewer columns or column < 0.
// Returns the position in the line where copying stopped.
const char* GetColumn(const char* line, char* output, int column, size_t maxChars, int separator);

// Where column `column` starts: just after its separator counted outside
// quotes; the line's start for column 0; the line's end when there are
// fewer separators. Separator kRecordSeparators: ',' and '*' both count.
const char* FindColumn(const char* line, int column, int separator);

// The starts of columns 0 .. count-1 found in one walk; entries past the
// last column of the line are null. Returns the line's end.
const char* IndexColumns(const char* line, int separator, const char** starts, int count);

// Copies the column that starts at `start` (as GetColumn's copy step).
// Returns the number of characters copied.
size_t CopyColumnAt(const char* start, char* output, size_t maxChars, int separator);

// Length of the column starting at start once its quotes are dropped.
size_t ColumnTextLength(const char* start, int separator);
