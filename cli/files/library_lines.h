// Where the library's printed lines go in the tool. The library prints
// its diagnostics ("No Cal File", "Err: 0x40b") to a host's standard
// output, some without a line end; in the tool a run's output stream
// carries the command's own document, so they go to its error stream,
// each as a whole line. (The handheld's listing comes through the core as
// rows, so no report of the library's is ever the tool's document.)
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "base/diag.h"

namespace vezuved_cli {

// The library's lines of one run sent to that run's error stream, for as
// long as it lives. The library has one sink for the whole process, so the run
// that puts one in place must be the only one calling the library: the
// tool runs one command per process, and the server holds the library's
// lock for each request's whole run.
class LibraryLineSink {
public:
    LibraryLineSink(std::ostream& out, std::ostream& err);
    LibraryLineSink(const LibraryLineSink&) = delete;
    LibraryLineSink& operator=(const LibraryLineSink&) = delete;
    ~LibraryLineSink();

    // The last cause of a failure the library gave ("cannot write 'x': No
    // space left on device"), so a failed item's line can name it. Taking
    // it clears it.
    std::string TakeCause();

private:
    static void Write(void* context, vezuved::DiagKind kind, const char* bytes, size_t length);

    std::ostream& out_;
    std::ostream& err_;
    std::string cause_;
    vezuved::DiagSink previous_;
};

}  // namespace vezuved_cli
