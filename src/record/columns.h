// Cutting a line into columns. A double quote outside quotes opens a quoted
// stretch and the next one closes it; inside, the separator is plain text;
// the quotes themselves are dropped. There is no escape for a quote.
#pragma once

#include <cstddef>
#include <cstring>

namespace vezuved {

// Separator value that makes both ',' and '*' end a column: the rule of a
// point database record line.
constexpr int kRecordSeparators = 0;

// Copies column `column` of line into output (room for maxChars + 1 bytes),
// NUL-terminated; empty when the line has fewer columns or column < 0.
void GetColumn(const char* line, char* output, int column, size_t maxChars, int separator);

// Where column `column` starts: just after its separator counted outside
// quotes; the line's start for column 0; the line's end when there are
// fewer separators. Separator kRecordSeparators: ',' and '*' both count.
const char* FindColumn(const char* line, int column, int separator);

// One column as it stands in its line: [begin, end), quotes included, end at
// its separator or the line's end; quotes counts the '"' characters in it.
// A column the line does not reach has a null begin.
struct ColumnSpan {
    const char* begin = nullptr;
    const char* end = nullptr;
    size_t quotes = 0;
};

// The first count columns of line, found in one walk that stops at the end
// of the last of them.
void SplitColumns(const char* line, int separator, ColumnSpan* spans, int count);

// As SplitColumns, for a line whose end (its NUL, the first) is known: the
// stretches between separators and quotes are found with memchr, many
// characters at a time, rather than one character at a time.
void SplitColumnsUpTo(const char* line, const char* end, int separator, ColumnSpan* spans, int count);

// Characters of the column once its quotes are dropped.
inline size_t SpanTextLength(const ColumnSpan& span) {
    return static_cast<size_t>(span.end - span.begin) - span.quotes;
}

// Copies the column's text, quotes dropped, cut to maxChars characters, and
// a NUL (output has room for maxChars + 1 bytes; empty for a missing
// column). Returns the number of characters copied.
size_t CopyQuotedColumnSpan(const ColumnSpan& span, char* output, size_t maxChars);
// Copies n bytes between buffers that do not overlap, in fixed-size moves
// (the last one overlapping the one before): a field is a few dozen bytes,
// for which the string instructions a compiler may choose for a bounded
// copy are slow to start.
inline void CopyFieldBytes(char* to, const char* from, size_t n) {
    if (n >= 16) {
        for (size_t i = 0; i + 16 < n; i += 16) std::memcpy(to + i, from + i, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    }
}

inline size_t CopyColumnSpan(const ColumnSpan& span, char* output, size_t maxChars) {
    // A column without quotes, the usual one, is a single copy made here.
    if (span.begin == nullptr || span.quotes != 0) return CopyQuotedColumnSpan(span, output, maxChars);
    const size_t length = static_cast<size_t>(span.end - span.begin);
    const size_t copied = length < maxChars ? length : maxChars;
    CopyFieldBytes(output, span.begin, copied);
    output[copied] = '\0';
    return copied;
}

}  // namespace vezuved
