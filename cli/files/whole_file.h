// Reading a small input file whole, failing with a sentence that names it.
#pragma once

#include <string>

namespace vezuved_cli {

// what says what the file was meant to be ("format definition"). With
// firstLine, reading stops once the first line end has been read (what
// comes with it is given too).
std::string ReadWholeFileOrFail(const std::string& path, const std::string& what, bool firstLine = false);

}  // namespace vezuved_cli
