// Case folding of ASCII letters only, the same in every locale: the tool
// compares names, extensions and keywords this way, never by the C
// library's locale-dependent tolower.
#pragma once

#include <string>
#include <string_view>

namespace vezuved_cli {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

inline std::string LoweredAscii(std::string text) {
    for (char& c : text) c = LowerAscii(c);
    return text;
}

inline bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

}  // namespace vezuved_cli
