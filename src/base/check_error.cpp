#include "base/check_error.h"
#include "base/diag.h"

namespace vezuved {

void ReportError(uint32_t code) {
    if (code != 0) DiagPrint("Err: 0x%x", static_cast<unsigned>(code));
}

void CheckError(uint32_t code) {
    if (code == 0) return;
    ReportError(code);
    throw LibraryError{code};
}

}  // namespace vezuved
