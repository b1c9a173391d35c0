// The one rule for paths longer than the exports take.
#include <string>

#include "base/diag.h"
#include "base/paths.h"

namespace vezuved {

bool PathFits(const char* path) noexcept {
    if (path == nullptr || strnlen(path, kMaxPathLength + 1) <= kMaxPathLength) return true;
    try {
        DiagCause("path longer than 1023 characters: '" + std::string(path, 40) + "...'");
    } catch (...) {
        // Without memory for the words the result code still tells.
    }
    return false;
}

}  // namespace vezuved
