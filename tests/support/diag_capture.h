// Collects what the library says while it lives, in place of the sink the
// library had; that sink comes back afterwards.
#pragma once

#include <string>

#include "base/diag.h"

using namespace vezuved;

struct CapturedDiagnostics {
    CapturedDiagnostics();
    CapturedDiagnostics(const CapturedDiagnostics&) = delete;
    CapturedDiagnostics& operator=(const CapturedDiagnostics&) = delete;

    // What was said so far, which is then forgotten.
    std::string TakeOutput();
    std::string TakeCauses();

    std::string output;  // the bytes a host would see on standard output
    std::string causes;  // the debugger lines, "VEZUVed: <cause>\n" each

private:
    DiagScope scope_;  // last: swapped back before the texts go
};
