// UTF-8 to Windows-1252 and back, and where UTF-8 breaks.
#include <gtest/gtest.h>

#include "values/encoding.h"

namespace vezuved_cli {
namespace {

TEST(ToolEncoding, Utf8ToCp1252KeepsWhatTheCodePageHolds) {
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
        if (!c.lost) {
            EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
        }
    }
    EXPECT_EQ(Utf8ToCp1252("x\xC3\xA9"), "x\xE9");  // no flag wanted
    EXPECT_EQ(Cp1252ToUtf8("\x81\x93"),
              "\xEF\xBF\xBD\xE2\x80\x9C");  // undefined in the code page; opening quote
}

TEST(ToolEncoding, FindInvalidUtf8NamesTheFirstBadByte) {
    const std::pair<std::string, size_t> cases[] = {
        {"abc", std::string::npos},
        {"Caf\xC3\xA9", std::string::npos},
        {"\xF4\x8F\xBF\xBF", std::string::npos},  // U+10FFFF
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
}  // namespace vezuved_cli
