// The library's points, sets and map formats under the tool's names, for
// the tests that check the library's map readers and writers beside the tool.
#pragma once

namespace vezuved::maps {}

namespace vezuved_cli {
using namespace vezuved::maps;
}  // namespace vezuved_cli
