// What writing a point record's texts into a line of columns needs of the
// record layer: separators blanked out of the free texts.
#pragma once

namespace vezuved {

// Replaces every ',', '*', TAB and LF by a space, in place; null is left alone.
void BlankSeparators(char* text);

}  // namespace vezuved
