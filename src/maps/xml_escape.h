// Text made safe for XML, for the writer and for extensions kept as XML.
#pragma once

#include <string>
#include <string_view>

namespace vezuved::maps {

// UTF-8 text made safe for XML content and attribute values: the five
// markup characters as entities, TAB, LF and CR as character references,
// and the other control characters, which XML 1.0 cannot carry at all,
// as U+FFFD.
std::string EscapeXml(std::string_view text);

}  // namespace vezuved::maps
