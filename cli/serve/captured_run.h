// Runs the tool's own code for a request as a command would run it, with a
// run context of its own whose streams keep what it printed for the page: the lines a command prints as its
// report, the problems, and the failure that ended it.
#pragma once

#include <functional>
#include <string>

#include "files/run_context.h"

namespace vezuved_cli {

struct CapturedRun {
    bool ok = true;
    std::string out;      // the report
    std::string err;      // problems and warnings
    std::string failure;  // the failure's sentence; empty when ok
};

// Its problems and failure come in the page's words: no command-line
// options, no paths of the server's own temporary folders.
CapturedRun RunCaptured(const std::function<void(RunContext&)>& work);

// A message of the tool in the page's words.
std::string InPageWords(std::string text);

}  // namespace vezuved_cli
