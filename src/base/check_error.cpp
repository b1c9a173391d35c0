#include "base/check_error.h"
#include "base/diag.h"

#include <cstdio>

void CheckError(uint32_t code) {
    if (code == 0) return;
    DiagPrint("Err: 0x%x", static_cast<unsigned>(code));
    throw ErrorCode{code};
}
