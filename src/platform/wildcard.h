// File-name matching with the wildcards of the PC side: '*' any run of
// characters, '?' exactly one, letters compared without regard to case (as
// the PC's file system does, on every platform). A pattern ending in ".*"
// also matches names without an extension ("*.*" matches every name), and
// one ending in '.' matches names without a dot. Pure: no OS call, so the
// folder search and the device file layer share one behaviour.
#pragma once

#include <cstddef>

namespace vezuved {

// True when name matches pattern. A null pattern or name matches nothing.
bool WildcardMatch(const char* pattern, const char* name);

}  // namespace vezuved
