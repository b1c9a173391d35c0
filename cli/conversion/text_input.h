// A text file made ready for the library: its definition found (never
// guessed), its bytes decoded to the library's Windows-1252, and the lines
// whose values the library would misread reported and left out. The
// library reads a temporary copy; the user's file is only read.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "conversion/records.h"
#include "conversion/text_layout.h"
#include "files/temporary_folder.h"

namespace vezuved_cli {

// A folder of the tool's own under the system's temporary folder, removed
// with everything in it on destruction.
struct PreparedText {
    TemporaryFolder folder;
    std::string copy;        // what the library reads: the file itself, or a checked Windows-1252 copy
    std::string definition;  // the definition the library loads with it
    TextOptions options;     // the caller's, with the layout and kind a known extension implies
    TextLayout layout;
    std::vector<std::string> records;  // a Garmin text's record lines, in order (Windows-1252)
    size_t accepted = 0;               // lines that hold a point and passed the check
    size_t refused = 0;                // lines reported and left out
    FittingReport fitting;             // what a database record makes of the lines' texts
};

// The definition of a text file: -d, else its own ".cal", else the layout
// its extension names (".rlp", ".rlt", ".rlr": record lines), else the
// command line's --columns or --layout. Refuses (usage error) a file none
// of these describe.
// Reads, decodes and checks path; bad lines are reported on err
// and left out, or with options.strict the first one fails. A file whose
// every line was refused fails, saying so.
void PrepareText(std::ostream& err,
                 const std::string& path,
                 const TextOptions& options,
                 PreparedText& prepared);

}  // namespace vezuved_cli
