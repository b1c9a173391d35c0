// A format definition as a person reads it: what the library makes of each
// line (its own parser does the reading), then a warning for every line or
// setting that will not do what its writer probably meant.
#pragma once

#include <string>
#include <vector>

namespace vezuved_cli {

// UTF-8 texts, each line ending in a line end.
struct Explanation {
    std::string summary;                            // title, layout, header, kind, extension
    std::vector<std::vector<std::string>> columns;  // a header row, then one row per column and field
    std::string warnings;                           // "warning: ..." lines; empty when none
};

// The explanation of the definition at path. Fails when the file cannot be
// read.
Explanation ExplainDefinition(const std::string& path);

}  // namespace vezuved_cli
