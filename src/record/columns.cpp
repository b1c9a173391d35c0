#include "record/columns.h"

#include <cstring>

namespace vezuved {

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
    // The characters that end a stretch of plain text: the line's end, a
    // quote, and outside quotes the separators. Looked up in a table, one
    // test per character however many characters can end a column.
    bool ends[256] = {};
    ends[0] = true;
    ends[static_cast<unsigned char>('"')] = true;
    if (separator == kRecordSeparators) {
        ends[static_cast<unsigned char>(',')] = true;
        ends[static_cast<unsigned char>('*')] = true;
    } else {
        ends[static_cast<unsigned char>(separator)] = true;
    }

    const char* p = line;
    int c = 0;
    for (; c < count && p != nullptr; ++c) {
        ColumnSpan& span = spans[c];
        span.begin = p;
        span.quotes = 0;
        const char* next = nullptr;
        for (;;) {
            while (!ends[static_cast<unsigned char>(*p)]) ++p;
            if (*p == '\0') break;
            if (*p != '"') {
                next = p + 1;  // the separator that ends the column
                break;
            }
            // A quoted stretch: separators inside it are text.
            ++span.quotes;
            ++p;
            while (*p != '"' && *p != '\0') ++p;
            if (*p == '\0') break;
            ++span.quotes;
            ++p;
        }
        span.end = p;
        p = next;
    }
    for (; c < count; ++c) spans[c] = ColumnSpan{};
}

void SplitColumnsUpTo(const char* line, const char* end, int separator, ColumnSpan* spans, int count) {
    // Two separators, or a quote as separator, keep the walk of one table.
    if (separator == kRecordSeparators || separator == '"') {
        SplitColumns(line, separator, spans, count);
        return;
    }
    const char sep = static_cast<char>(separator);
    auto find = [end](const char* from, char c) {
        const void* at = std::memchr(from, c, static_cast<size_t>(end - from));
        return at != nullptr ? static_cast<const char*>(at) : end;
    };
    const char* p = line;
    const char* quote = find(p, '"');  // the first quote at or after p
    int c = 0;
    for (; c < count && p != nullptr; ++c) {
        ColumnSpan& span = spans[c];
        span.begin = p;
        span.quotes = 0;
        const char* next = nullptr;
        for (;;) {
            const void* separatorAt = std::memchr(p, sep, static_cast<size_t>(quote - p));
            if (separatorAt != nullptr) {
                p = static_cast<const char*>(separatorAt);
                next = p + 1;
                break;
            }
            p = quote;
            if (p == end) break;
            // A quoted stretch: separators inside it are text.
            ++span.quotes;
            p = find(p + 1, '"');
            if (p == end) {
                quote = end;
                break;
            }
            ++span.quotes;
            ++p;
            quote = find(p, '"');
        }
        span.end = p;
        p = next;
    }
    for (; c < count; ++c) spans[c] = ColumnSpan{};
}

size_t CopyQuotedColumnSpan(const ColumnSpan& span, char* output, size_t maxChars) {
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

}  // namespace vezuved
