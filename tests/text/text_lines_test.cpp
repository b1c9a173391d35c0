#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/text_lines.h"

using namespace vezuved;

namespace {

TEST(CutTextLines, GivesTheRecordLines) {
    using namespace std::string_literals;
    const struct {
        std::string text;
        int32_t headerLines;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\nb\n", 0, {"a", "b"}},
        {"a\nb", 0, {"a", "b"}},  // no end on the last line
        {"a\r\nb\rc\r", 0, {"a", "b", "c"}},
        {"\n\na\r\n\r\nb\n\n", 0, {"a", "b"}},  // empty lines are passed over
        {"a\0b\n"s, 0, {"a", "b"}},             // a NUL ends a line
        {"a\ab\bc\n\a\n", 0, {"abc"}},          // BEL and BS vanish
        {"h1\n\nx\ny\n", 2, {"x", "y"}},        // header lines count every line end
        {"a\nb\n", 5, {}},
        {"h\r\nh\r\nx\r\n", 2, {"x"}},  // CR LF is one line end for the header
        {"\r\n\n\r", 0, {}},
    };
    for (const auto& c : cases) {
        std::vector<char> text(c.text.begin(), c.text.end());
        const size_t count = CutTextLines(text, c.headerLines);
        std::vector<std::string> lines;
        ForEachTextLine(text, [&](const char* line) { lines.emplace_back(line); });
        EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.text);
        EXPECT_EQ(count, c.lines.size()) << testing::PrintToString(c.text);
    }
}

TEST(CutTextLines, LongLinesStayWhole) {
    const std::string longLine(100000, 'x');
    std::vector<char> text(longLine.begin(), longLine.end());
    text.push_back('\n');
    text.insert(text.end(), {'y', '\r', '\n'});
    ASSERT_EQ(CutTextLines(text, 0), 2u);
    std::vector<std::string> lines;
    ForEachTextLine(text, [&](const char* line) { lines.emplace_back(line); });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], longLine);
    EXPECT_EQ(lines[1], "y");
}

}  // namespace
