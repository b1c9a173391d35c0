// A format definition cut into the lines the library reads, each with the
// number of the file line it starts on, so what is said about a line can
// point at it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vezuved::core {

struct DefinitionLine {
    int number = 0;    // 1-based file line where it starts
    std::string text;  // quotes dropped, as the library collects it
};

// The same cut as the library's loader: LF, CR, CR LF or NUL end a line;
// a double quote toggles quoting (inside it line ends belong to the line);
// BEL and BS are dropped outside quotes; a line keeps at most maxLength
// characters.
std::vector<DefinitionLine> CutDefinitionLines(const std::string& text, size_t maxLength);

}  // namespace vezuved::core
