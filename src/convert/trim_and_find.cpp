// Space trimming and the comma-bounded search the column parsers rely on:
// a record's fields sit side by side, so a search must not run into the next one.
#include <cstring>

#include "convert/number_text.h"

namespace vezuved {

void TrimSpaces(char* text) {
    if (text == nullptr) return;
    const char* first = text;
    while (*first == ' ') ++first;
    size_t length = std::strlen(first);
    while (length > 0 && first[length - 1] == ' ') --length;
    if (first != text) std::memmove(text, first, length);
    text[length] = '\0';
}

const char* FindBeforeComma(const char* text, char c) {
    if (text == nullptr) return nullptr;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == ',') return nullptr;
        if (*p == c) return p;
    }
    return nullptr;
}

}  // namespace vezuved
