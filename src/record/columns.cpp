#include "record/columns.h"

#include <cstring>

namespace {

// Past the separator that ends the column starting at p; null when the
// line ends first.
const char* SkipColumn(const char* p, int separator) {
    ColumnSpan span;
    SplitColumns(p, separator, &span, 1);
    return *span.end == '\0' ? nullptr : span.end + 1;
}

}  // namespace

void SplitColumns(const char* line, int separator, ColumnSpan* spans, int count) {
    // What can end a stretch of plain text: the line's end, a quote, and
    // outside quotes the separators. strcspn finds them several bytes at a
    // time, where a loop over the characters would test each one.
    const char recordStops[] = "\",*";
    const char singleStops[] = {'"', static_cast<char>(separator), '\0'};
    const char* stops = separator == kRecordSeparators ? recordStops : singleStops;

    const char* p = line;
    int c = 0;
    for (; c < count && p != nullptr; ++c) {
        ColumnSpan& span = spans[c];
        span.begin = p;
        span.quotes = 0;
        bool quoted = false;
        const char* next = nullptr;
        for (;;) {
            p += std::strcspn(p, quoted ? "\"" : stops);
            if (*p == '\0') break;
            if (*p != '"') {
                next = p + 1;  // the separator that ends the column
                break;
            }
            quoted = !quoted;
            ++span.quotes;
            ++p;
        }
        span.end = p;
        p = next;
    }
    for (; c < count; ++c) spans[c] = ColumnSpan{};
}

size_t CopyColumnSpan(const ColumnSpan& span, char* output, size_t maxChars) {
    size_t copied = 0;
    if (span.begin == nullptr) {
        // a missing column reads as empty
    } else if (span.quotes == 0) {
        const size_t length = static_cast<size_t>(span.end - span.begin);
        copied = length < maxChars ? length : maxChars;
        std::memcpy(output, span.begin, copied);
    } else {
        for (const char* p = span.begin; p != span.end && copied < maxChars; ++p) {
            if (*p != '"') output[copied++] = *p;
        }
    }
    output[copied] = '\0';
    return copied;
}

const char* FindColumn(const char* line, int column, int separator) {
    const char* p = line;
    for (int c = 0; c < column; ++c) {
        const char* next = SkipColumn(p, separator);
        if (next == nullptr) return p + std::strlen(p);
        p = next;
    }
    return p;
}

void GetColumn(const char* line, char* output, int column, size_t maxChars, int separator) {
    output[0] = '\0';
    if (column < 0) return;
    const char* p = line;
    for (int c = 0; c < column; ++c) {
        p = SkipColumn(p, separator);
        if (p == nullptr) return;
    }
    ColumnSpan span;
    SplitColumns(p, separator, &span, 1);
    CopyColumnSpan(span, output, maxChars);
}
