// Where the library's printed lines go in the tool. The library prints
// its diagnostics ("No Cal File", "Err: 0x40b", "Copying to Device: x") to
// a host's standard output, some without a line end; in the tool a run's
// output stream carries the command's own document, so they go to its
// error stream, each as a whole line. Only the device listing's report
// (its table and "Files Only on PC") is the document of `device list` and
// goes to the output stream.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "base/diag.h"

namespace vezuved_cli {

class LibraryLines {
public:
    explicit LibraryLines(bool listingReport) : listingReport_(listingReport) {}

    // One message as the library sent it (cause: whole "VEZUVed: ..." line);
    // what goes where is appended to out and err.
    void Take(bool cause, const char* bytes, size_t length, std::string& out, std::string& err);
    // Ends a report line left open.
    void Finish(std::string& out);

private:
    bool listingReport_;
    std::string open_;  // the report line being pieced together
};

// Whether a message the library printed is a diagnostic rather than a
// piece of the listing's report.
bool IsLibraryDiagnostic(const std::string& message);

// The library's lines of one run sent to that run's streams (diagnostics
// to err, the listing's report, when listingReport, to out), for as long as
// it lives. The library has one sink for the whole process, so the run
// that puts one in place must be the only one calling the library: the
// tool runs one command per process, and the server holds the library's
// lock for each request's whole run.
class LibraryLineSink {
public:
    LibraryLineSink(std::ostream& out, std::ostream& err, bool listingReport);
    LibraryLineSink(const LibraryLineSink&) = delete;
    LibraryLineSink& operator=(const LibraryLineSink&) = delete;
    ~LibraryLineSink();

    // Ends a report line left open, before the run's own last line.
    void Finish();
    // The last cause of a failure the library gave ("cannot write 'x': No
    // space left on device"), so a failed item's line can name it. Taking
    // it clears it.
    std::string TakeCause();

private:
    static void Write(void* context, vezuved::DiagKind kind, const char* bytes, size_t length);

    std::ostream& out_;
    std::ostream& err_;
    LibraryLines lines_;
    std::string cause_;
    vezuved::DiagSink previous_;
};

}  // namespace vezuved_cli
