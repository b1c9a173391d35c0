// The one way text files are cut into lines: LF, CR, CR LF and NUL end a
// line, BEL and BS vanish, the format's header lines are skipped, empty
// lines are passed over. Lines are read whole, however long: a long line is
// never split into two records (its fields are cut to their capacities).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Calls onLine(const char* line) for every record line of data[0 .. size).
template <typename OnLine>
void SplitTextLines(const char* data, size_t size, int32_t headerLines, OnLine&& onLine) {
    std::string line;
    int64_t lineEnds = 0;
    auto endLine = [&]() {
        if (lineEnds++ < headerLines) {
            line.clear();
            return;
        }
        if (!line.empty()) {
            onLine(line.c_str());
            line.clear();
        }
    };
    size_t runStart = 0;
    for (size_t i = 0; i <= size; ++i) {
        const char c = i < size ? data[i] : '\0';
        if (c != '\0' && c != '\n' && c != '\r' && c != 7 && c != 8) continue;
        line.append(data + runStart, i - runStart);
        runStart = i + 1;
        if (c == 7 || c == 8) continue;
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n') {
            ++i;
            runStart = i + 1;
        }
        endLine();
    }
}
