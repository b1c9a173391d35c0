#include "core/definition_lines.h"

namespace vezuved::core {

std::vector<DefinitionLine> CutDefinitionLines(const std::string& text, size_t maxLength) {
    std::vector<DefinitionLine> lines;
    DefinitionLine line;
    line.number = 1;
    int fileLine = 1;
    bool quoted = false;
    auto add = [&](char c) {
        if (line.text.size() < maxLength) line.text += c;
    };
    auto finish = [&] {
        lines.push_back(line);
        line = DefinitionLine();
        line.number = fileLine;
    };
    // text[i + 1] at the last character is the string's own NUL.
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            if (c == '\n' || (c == '\r' && text[i + 1] != '\n')) ++fileLine;
            add(c);
        } else if (c == '\n' || c == '\r' || c == '\0') {
            if (c == '\r' && text[i + 1] == '\n') ++i;
            if (c != '\0') ++fileLine;
            finish();
        } else if (c != 7 && c != 8) {
            add(c);
        }
    }
    if (!line.text.empty()) lines.push_back(line);
    return lines;
}

}  // namespace vezuved::core
