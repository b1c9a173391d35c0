// The one way text files are cut into lines: LF, CR, CR LF and NUL end a
// line, BEL and BS vanish, the format's header lines are skipped, empty
// lines are passed over. Lines are read whole, however long: a long line is
// never split into two records (its fields are cut to their capacities).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vezuved {

// Cuts text, the whole file, into its record lines in place: afterwards it
// holds just those lines, each followed by a NUL. Working in place costs no
// copy of a line and no second buffer the size of the file. Returns the
// number of lines.
size_t CutTextLines(std::vector<char>& text, int32_t headerLines);

// Calls onLine(const char* line) for every line of text cut by CutTextLines.
template <typename OnLine>
void ForEachTextLine(const std::vector<char>& lines, OnLine&& onLine) {
    const char* p = lines.data();
    const char* const end = p + lines.size();
    while (p < end) {
        onLine(static_cast<const char*>(p));
        p += std::strlen(p) + 1;
    }
}

}  // namespace vezuved
