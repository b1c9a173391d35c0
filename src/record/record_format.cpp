#include "record/record_format.h"

#include <cstring>

namespace vezuved {

void BlankSeparators(char* text) {
    if (text == nullptr) return;
    // Separators are rare in free text: strcspn skips to the next one
    // several bytes at a time.
    for (;;) {
        text += std::strcspn(text, ",*\t\n");
        if (*text == '\0') return;
        *text++ = ' ';
    }
}

}  // namespace vezuved
