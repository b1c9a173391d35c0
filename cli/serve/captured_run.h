// Runs the tool's own code for a request as a command would run it, holding
// the library's lock, and keeps what it printed for the page: the lines a
// command prints on standard output, the problems on standard error, and
// the failure that ended it.
#pragma once

#include <functional>
#include <string>

namespace vezuved_cli {

struct CapturedRun {
    bool ok = true;
    std::string out;      // standard output (the listing's report with listingReport)
    std::string err;      // problems and warnings, as the command line shows them
    std::string failure;  // the failure's sentence; empty when ok
};

CapturedRun RunCaptured(const std::function<void()>& work, bool listingReport = false);

}  // namespace vezuved_cli
