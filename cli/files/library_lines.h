// Where the library's printed lines go in the tool. The library prints
// its diagnostics ("No Cal File", "Err: 0x40b", "Copying to Device: x") to
// a host's standard output, some without a line end; in the tool standard
// output carries the command's own document, so they go to standard error,
// each as a whole line. Only the device listing's report (its table and
// "Files Only on PC") is the document of `device list` and stays on
// standard output.
#pragma once

#include <cstddef>
#include <string>

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

// Puts the tool's sink in place: diagnostics to standard error, the listing
// report (when listingReport) to standard output.
void RouteLibraryLines(bool listingReport);
// Ends what is open, before the tool's own last line.
void FinishLibraryLines();
// Whether the library said, since the last call, that it could not write
// the listing's sync file: its result stays 0 for a host, the tool fails.
bool TakeUnwrittenSyncFile();

}  // namespace vezuved_cli
