#include "record/columns.h"

#include <cstring>

namespace {

inline bool IsSeparator(char c, int separator) {
    if (separator == kRecordSeparators) return c == ',' || c == '*';
    return c == static_cast<char>(separator);
}

// Steps past the separator that ends the column starting at p, tracking
// quotes; returns null when the line ends first.
const char* SkipColumn(const char* p, int separator) {
    bool quoted = false;
    for (; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && IsSeparator(*p, separator)) {
            return p + 1;
        }
    }
    return nullptr;
}

}  // namespace

namespace {

// Copies the column starting at start; *stop receives where copying ended.
size_t CopyColumn(const char* start, char* output, size_t maxChars, int separator, const char** stop) {
    size_t copied = 0;
    bool quoted = false;
    const char* p = start;
    for (; *p != '\0' && copied < maxChars; ++p) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && IsSeparator(*p, separator)) {
            break;
        } else {
            output[copied++] = *p;
        }
    }
    output[copied] = '\0';
    *stop = p;
    return copied;
}

}  // namespace

size_t CopyColumnAt(const char* start, char* output, size_t maxChars, int separator) {
    const char* stop;
    return CopyColumn(start, output, maxChars, separator, &stop);
}

size_t ColumnTextLength(const char* start, int separator) {
    size_t length = 0;
    bool quoted = false;
    for (const char* p = start; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
        } else if (!quoted && IsSeparator(*p, separator)) {
            break;
        } else {
            ++length;
        }
    }
    return length;
}

const char* FindColumn(const char* line, int column, int separator) {
    const char* p = line;
    for (int c = 0; c < column; ++c) {
        const char* next = SkipColumn(p, separator);
        if (next == nullptr) {
            while (*p != '\0') ++p;
            return p;
        }
        p = next;
    }
    return p;
}

const char* IndexColumns(const char* line, int separator, const char** starts, int count) {
    const char* p = line;
    const char* last = line;  // the end is sought from the last column found
    int c = 0;
    for (; c < count && p != nullptr; ++c) {
        starts[c] = last = p;
        p = SkipColumn(p, separator);
    }
    for (; c < count; ++c) starts[c] = nullptr;
    return last + std::strlen(last);
}

const char* GetColumn(const char* line, char* output, int column, size_t maxChars, int separator) {
    output[0] = '\0';
    if (column < 0) return line;
    const char* p = line;
    for (int c = 0; c < column; ++c) {
        p = SkipColumn(p, separator);
        if (p == nullptr) return line;
    }
    const char* stop;
    CopyColumn(p, output, maxChars, separator, &stop);
    return stop;
}
