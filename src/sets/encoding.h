// The library's texts are 8-bit Windows-1252; everything the tool prints
// for people or writes as GPX and JSON is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vezuved::maps {

// Each byte as the Unicode character Windows-1252 gives it; the five bytes
// that code page leaves undefined become U+FFFD.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 text as Windows-1252; a character that code page cannot hold
// becomes '?' and sets *lost. Bytes that are no valid UTF-8 pass through
// unchanged (the caller checks validity first).
std::string Utf8ToCp1252(std::string_view text, bool* lost = nullptr);

// A format definition's bytes as UTF-8, each byte one character: its
// Windows-1252 character, and for the five bytes that code page leaves
// undefined the control character of the same value (as Windows reads
// them), so that no two bytes read as the same character.
std::string DefinitionTextOf(std::string_view bytes);

// The length of the valid UTF-8 sequence at text[at] and its character;
// 0 when the bytes there are no valid sequence.
size_t ReadUtf8Character(std::string_view text, size_t at, char32_t& character);

// The character's Windows-1252 byte; none ('\0') when that code page lacks it.
char Cp1252Byte(char32_t character);

// The character in UTF-8.
std::string Utf8Character(char32_t character);

// Offset of the first byte that breaks UTF-8 (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate or a value beyond
// U+10FFFF); npos when the text is valid.
size_t FindInvalidUtf8(std::string_view text);

}  // namespace vezuved::maps
