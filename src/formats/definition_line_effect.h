// What one definition line does on its own: its keyword, its value and the
// settings it changes, told by the definition reader itself, so whoever
// explains a definition keeps no list of the state's settings of its own.
#pragma once

#include <string>
#include <vector>

namespace vezuved {

struct DefinitionLineEffect {
    int keyword = -1;       // FormatKeyword index, -1 for none
    bool hasValue = false;  // the line has a usable '='
    std::string value;
    std::vector<std::string> changed;  // names of the settings the line changed
};

// Applies line (one collected definition line) alone to a state no keyword
// line can produce, so a value equal to a default still shows as a change.
// No other state is touched. May throw std::bad_alloc.
DefinitionLineEffect ApplyDefinitionLineAlone(const std::string& line);

}  // namespace vezuved
