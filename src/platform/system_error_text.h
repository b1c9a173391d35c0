// Words for the Windows-numbered error codes the host file layer and the
// remote API report, the same on every system, so a message that names a
// cause reads alike on Windows and POSIX.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace vezuved {

// "Permission denied", "No such folder", ...; "error N" for a code without
// words of its own.
std::string SystemErrorText(DWORD error);

}  // namespace vezuved
