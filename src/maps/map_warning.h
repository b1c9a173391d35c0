// What a read met and went past: a point left out, a polygon skipped, a
// track whose times do not pair. Kept in order for the caller, who decides
// whether and where to show them; the library itself prints nothing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vezuved::maps {

struct MapWarning {
    std::string file;     // how the caller named the file
    size_t line = 0;      // the file's line, 0 when not known
    std::string cause;    // what was met, without the file and line
    std::string message;  // the whole sentence: file, line and cause
    int column = 0;       // the line's column the cause lies in, from 1; 0 when none
};

using MapWarnings = std::vector<MapWarning>;

}  // namespace vezuved::maps
