// Windows-1252 and UTF-8: what the code page holds, a definition's bytes
// as text, and the first byte that breaks UTF-8.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "sets/encoding.h"

namespace vezuved::maps {
namespace {

TEST(Encoding, Utf8ToCp1252KeepsWhatTheCodePageHolds) {
    struct Case {
        std::string utf8, cp1252;
        bool lost;
    };
    const Case cases[] = {
        {"plain", "plain", false},
        {"Caf\xC3\xA9", "Caf\xE9", false},
        {"\xE2\x82\xAC 5 \xE2\x80\x93 \xC5\x92", "\x80 5 \x96 \x8C", false},  // euro, en dash, OE
        {"\xC2\xA0\xC3\xBF", "\xA0\xFF", false},
        {"\xCE\xA9 \xF0\x9F\x98\x80", "? ?", true},  // Greek omega, an emoji
        {"\xEF\xBF\xBD", "?", true},                 // the replacement character itself
        {"", "", false},
    };
    for (const Case& c : cases) {
        bool lost = false;
        EXPECT_EQ(Utf8ToCp1252(c.utf8, &lost), c.cp1252) << c.utf8;
        EXPECT_EQ(lost, c.lost) << c.utf8;
        EXPECT_TRUE(c.lost || Cp1252ToUtf8(c.cp1252) == c.utf8) << c.utf8;
    }
    EXPECT_EQ(Utf8ToCp1252("x\xC3\xA9"), "x\xE9");  // no flag wanted
    EXPECT_EQ(Cp1252ToUtf8("\x81\x93"),
              "\xEF\xBF\xBD\xE2\x80\x9C");  // undefined in the code page; opening quote
}

// Each of a definition's bytes is a character of its UTF-8 text of its
// own, the five bytes Windows-1252 leaves undefined included.
TEST(Encoding, DefinitionTextsKeepEveryByte) {
    std::set<std::string> characters;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = DefinitionTextOf(std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(FindInvalidUtf8(text), std::string::npos) << byte;
        characters.insert(text);
    }
    EXPECT_EQ(characters.size(), 256u);
    EXPECT_EQ(DefinitionTextOf("\x80\x81\xE9"), "\xE2\x82\xAC\xC2\x81\xC3\xA9");
}

TEST(Encoding, FindInvalidUtf8NamesTheFirstBadByte) {
    const std::pair<std::string, size_t> cases[] = {
        {"abc", std::string::npos},
        {"Caf\xC3\xA9", std::string::npos},
        {"\xF4\x8F\xBF\xBF", std::string::npos},  // U+10FFFF
        {"\xE0\xA4\x95", std::string::npos},      // U+0915, Devanagari ka: the lowest lead of three bytes
        {"\xEF\xBF\xBD", std::string::npos},      // U+FFFD: the highest
        {"Caf\xE9", 3},                           // Windows-1252
        {"ab\x80", 2},                            // a stray continuation byte
        {"a\xC3", 1},                             // cut short
        {"a\xC3z", 1},
        {"\xC0\xAF", 0},          // overlong
        {"\xE0\x80\xAF", 0},      // overlong
        {"\xED\xA0\x80", 0},      // a surrogate
        {"\xF4\x90\x80\x80", 0},  // beyond U+10FFFF
        {"ok\xF5", 2},
    };
    for (const auto& [text, offset] : cases) EXPECT_EQ(FindInvalidUtf8(text), offset) << text;
}

}  // namespace
}  // namespace vezuved::maps
