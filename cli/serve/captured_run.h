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
    std::string err;      // problems and warnings, as the command line shows them
    std::string failure;  // the failure's sentence; empty when ok
};

CapturedRun RunCaptured(const std::function<void(RunContext&)>& work);

}  // namespace vezuved_cli
