// Files the tool writes itself: written beside their target and swapped in
// whole, so a failure leaves what was there; "-" is standard output.
#pragma once

#include <string>

namespace vezuved_cli {

// Writes text to path, failing with a sentence that names it.
void WriteFileOrFail(const std::string& path, const std::string& text);

}  // namespace vezuved_cli
