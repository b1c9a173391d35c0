// The display strings of the coordinate and distance texts. Filled at load
// (and again on every thread attach, with the same bytes); the coordinate
// parser takes its negative hemisphere letters from it.
#include <cstring>

#include "convert/coordinates.h"

namespace vezuved {

namespace {
constexpr int kSlots = static_cast<int>(DisplayText::Rendering) + 1;
constexpr int kSlotSize = 15;
char g_table[kSlots][kSlotSize];

constexpr const char* kTexts[kSlots] = {
    "NS", "EW", ".", "SWsw", "nm", "mi", "km", "kn", "mph", "kph", "m", "ft", "Rendering..."};
}  // namespace

// A thread attach may come while another thread converts and reads the
// table, so a slot already holding its text is left untouched. A slot's
// last byte is never written: it stays the zero the table starts as.
void InitStringTable() {
    for (int i = 0; i < kSlots; ++i) {
        if (std::strcmp(g_table[i], kTexts[i]) == 0) continue;
        std::strncpy(g_table[i], kTexts[i], kSlotSize - 1);
    }
}

const char* TableText(DisplayText which) { return g_table[static_cast<int>(which)]; }

}  // namespace vezuved
