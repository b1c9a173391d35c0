// The library's points, sets and map formats under the tool's own names:
// they began as the tool's and the tool still calls them unqualified.
#pragma once

namespace vezuved::maps {}

namespace vezuved_cli {
using namespace vezuved::maps;
}  // namespace vezuved_cli
