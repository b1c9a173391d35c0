#include "base/check_error.h"

#include <cstdio>

void CheckError(uint32_t code) {
    if (code == 0) return;
    std::printf("Err: 0x%x", static_cast<unsigned>(code));
    throw ErrorCode{code};
}
