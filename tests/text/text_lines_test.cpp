#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/text_lines.h"

using namespace vezuved;

namespace {

struct LinesCase {
    const char* name;
    std::string text;
    int32_t headerLines;
    std::vector<std::string> lines;
};

// By name: printed as bytes, the struct's padding would be read unset.
void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }

class CutTextLinesCases : public ::testing::TestWithParam<LinesCase> {};

TEST_P(CutTextLinesCases, GivesTheRecordLines) {
    const LinesCase& c = GetParam();
    std::vector<char> text(c.text.begin(), c.text.end());
    const size_t count = CutTextLines(text, c.headerLines);
    std::vector<std::string> lines;
    ForEachTextLine(text, [&](const char* line) { lines.emplace_back(line); });
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(count, c.lines.size());
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases,
    CutTextLinesCases,
    ::testing::Values(LinesCase{"LineFeeds", "a\nb\n", 0, {"a", "b"}},
                      LinesCase{"NoEndOnTheLastLine", "a\nb", 0, {"a", "b"}},
                      LinesCase{"CarriageReturnsAloneAndBeforeLineFeeds", "a\r\nb\rc\r", 0, {"a", "b", "c"}},
                      LinesCase{"EmptyLinesArePassedOver", "\n\na\r\n\r\nb\n\n", 0, {"a", "b"}},
                      LinesCase{"NulEndsALine", "a\0b\n"s, 0, {"a", "b"}},
                      LinesCase{"BellAndBackspaceVanish", "a\ab\bc\n\a\n", 0, {"abc"}},
                      LinesCase{"HeaderLinesCountEveryLineEnd", "h1\n\nx\ny\n", 2, {"x", "y"}},
                      LinesCase{"HeaderLongerThanTheFile", "a\nb\n", 5, {}},
                      LinesCase{"CrLfIsOneLineEndForTheHeader", "h\r\nh\r\nx\r\n", 2, {"x"}},
                      LinesCase{"OnlyLineEnds", "\r\n\n\r", 0, {}}),
    [](const ::testing::TestParamInfo<LinesCase>& info) { return std::string(info.param.name); });

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
