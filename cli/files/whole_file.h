// Reading a small input file whole, failing with a sentence that names it.
#pragma once

#include <string>

namespace vezuved_cli {

// what says what the file was meant to be ("format definition").
std::string ReadWholeFileOrFail(const std::string& path, const std::string& what);

}  // namespace vezuved_cli
