// The library's texts are 8-bit Windows-1252; everything the tool prints
// for people or writes as GPX and JSON is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vezuved_cli {

// Each byte as the Unicode character Windows-1252 gives it; the five bytes
// that code page leaves undefined become U+FFFD.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 text as Windows-1252 bytes. A character that code page cannot carry,
// and a byte that is no part of valid UTF-8, becomes '?' and sets lossy.
std::string Utf8ToCp1252(std::string_view text, bool& lossy);

// Number of characters (not bytes) in UTF-8 text, for aligning columns.
size_t Utf8Length(std::string_view text);

}  // namespace vezuved_cli
