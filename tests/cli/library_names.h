// The library's points, sets and map formats under the tool's names.
#pragma once

namespace vezuved::maps {}

namespace vezuved_cli {
using namespace vezuved::maps;
}  // namespace vezuved_cli
