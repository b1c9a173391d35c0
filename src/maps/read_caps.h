// What one read of a map file may grow to in memory: a small archive can
// unpack to gigabytes of points or of one text, so each read stops at
// these caps with a message that names them.
#pragma once

#include <cstddef>
#include <string>

namespace vezuved::maps {

// The most points one file is read with (fewer where addresses are 32 bits).
constexpr size_t kMostPointsRead = sizeof(void*) >= 8 ? 10000000 : 2000000;
// The most bytes one text (an element's, a string's) is read to.
constexpr size_t kLongestText = 256u << 20;

// The caps in force: the constants, unless a test has lowered them.
size_t MostPointsRead();
size_t LongestText();
// Lowers the caps, so a test meets them with small files; 0 restores one.
void SetReadCapsForTests(size_t points, size_t textBytes);

// "it holds more than 10000000 points, the most one file is read with"
std::string TooManyPoints();
// "a text of more than 268435456 bytes, the most one text is read to"
std::string TooLongText();

}  // namespace vezuved::maps
