// What one run of a command is given: where its report and its problems
// go, and what its options ask of every conversion under it. `main` makes
// one from the process's streams; the server makes one per request. It is
// handed down to whatever writes or decides by it, so nothing is kept
// between runs.
#pragma once

#include <ostream>

#include "files/temporary_folder.h"

namespace vezuved_cli {

// Whether a point the rule of HasValidPosition refuses fails the command
// (--strict) instead of being reported and left out of a database or text
// file, and whether each segment of a route or track becomes a set of its
// own (--split-segments).
struct ConversionRules {
    bool strict = false;
    bool splitSegments = false;
};

struct RunContext {
    std::ostream& out;           // the command's report, or the document it prints
    std::ostream& err;           // warnings and problems
    ConversionRules rules;       // set by the command from its options
    bool errIsTerminal = false;  // progress is drawn as bars, not written as lines
    // Standard input read whole into a file, which lives as long as the run:
    // it can be read only once.
    TemporaryFolder standardInput;
};

}  // namespace vezuved_cli
