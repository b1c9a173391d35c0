// UTF-16 text as the handheld and the wide file calls speak it, and the
// two conversions between it and the library's 8-bit text. The conversions
// are byte for byte (no code page): a byte becomes the unit of the same
// value, a unit gives its low byte, so names come back as the bytes they
// were. No OS calls here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vezuved {

// One 16-bit unit: Windows' own WCHAR (wchar_t) there, char16_t elsewhere,
// the same type the platform layer names WCHAR.
#if defined(_WIN32)
using WideUnit = wchar_t;
#else
using WideUnit = char16_t;
#endif
static_assert(sizeof(WideUnit) == 2, "a wide unit is 16 bits");

typedef std::basic_string<WideUnit> WideString;

// Each byte becomes one unit of the same value (no sign extension), at most
// count bytes (count <= 0: the source's length), stopping after a NUL; a
// zero unit follows the last unit copied. dst holds count + 1 units.
void WidenText(WideUnit* dst, const char* src, int32_t count);
// Each unit gives its low byte, at most count units (count <= 0: the
// source's length plus one), stopping at a zero unit; a NUL follows the last
// byte copied. dst holds count + 1 bytes. No code-page conversion.
void NarrowText(char* dst, const WideUnit* src, int32_t count);
// The same conversions into owned strings (for printing and building paths).
std::string NarrowedText(const WideUnit* text);
WideString WidenedText(const char* text);

// The units before the terminating zero unit; 0 for null.
size_t WideLength(const WideUnit* text);
// Compares ignoring the case of ASCII letters, as the device's name lookup.
// Null sorts before any text.
int WideCompareNoCase(const WideUnit* a, const WideUnit* b);

}  // namespace vezuved
