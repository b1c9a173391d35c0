// A format definition as a person reads it: what the library makes of each
// line (its own parser does the reading), then a warning for every line or
// setting that will not do what its writer probably meant.
#pragma once

#include <string>

namespace vezuved_cli {

// The explanation of the definition at path, UTF-8 text ending in a line
// end. Fails when the file cannot be read.
std::string ExplainDefinition(const std::string& path);

}  // namespace vezuved_cli
