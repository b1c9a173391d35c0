#include <string>
#include <vector>

#include "record/columns.h"
#include "record/record_format.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

struct SplitCase {
    const char* name;
    const char* line;
    int separator;
    int count;
    std::vector<const char*> texts;  // quotes dropped; null for a column the line lacks
};

std::string SpanText(const ColumnSpan& span) {
    char text[64];
    CopyColumnSpan(span, text, sizeof text - 1);
    return text;
}

// By name: printed as bytes, the struct's padding would be read unset.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitColumnsCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitColumnsCases, FindsEveryColumnInOneWalk) {
    const SplitCase& c = GetParam();
    std::vector<ColumnSpan> spans(static_cast<size_t>(c.count));
    SplitColumns(c.line, c.separator, spans.data(), c.count);
    for (int i = 0; i < c.count; ++i) {
        const ColumnSpan& span = spans[static_cast<size_t>(i)];
        if (c.texts[static_cast<size_t>(i)] == nullptr) {
            EXPECT_EQ(span.begin, nullptr) << "column " << i;
            continue;
        }
        ASSERT_NE(span.begin, nullptr) << "column " << i;
        EXPECT_EQ(SpanText(span), c.texts[static_cast<size_t>(i)]) << "column " << i;
        EXPECT_EQ(SpanTextLength(span), std::string(c.texts[static_cast<size_t>(i)]).size())
            << "column " << i;
        // Each column read alone gives the same text.
        char alone[64];
        GetColumn(c.line, alone, i, sizeof alone - 1, c.separator);
        EXPECT_STREQ(alone, c.texts[static_cast<size_t>(i)]) << "column " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    SplitColumnsCases,
    ::testing::Values(SplitCase{"Plain", "a,b,c", ',', 3, {"a", "b", "c"}},
                      SplitCase{"MissingColumnsHaveNoStart", "a,b", ',', 4, {"a", "b", nullptr, nullptr}},
                      SplitCase{"EmptyLastColumnStartsAtTheEnd", "a,b,", ',', 4, {"a", "b", "", nullptr}},
                      SplitCase{"QuotedSeparatorIsText", "\"x,y\",z", ',', 2, {"x,y", "z"}},
                      SplitCase{"QuotesInsideAColumnAreDropped", "ab\"c,d\"e,f", ',', 2, {"abc,de", "f"}},
                      SplitCase{"UnclosedQuoteRunsToTheEnd", "a,\"b,c", ',', 3, {"a", "b,c", nullptr}},
                      SplitCase{
                          "RecordLinesEndColumnsAtStarToo", "1*2,3", kRecordSeparators, 3, {"1", "2", "3"}},
                      SplitCase{"TabKeepsCommas", "a,b\tc", '\t', 2, {"a,b", "c"}},
                      SplitCase{"QuoteAsSeparatorStaysAQuote", "a\"b\"c", '"', 2, {"abc", nullptr}},
                      SplitCase{"EmptyLine", "", ',', 2, {"", nullptr}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(CopyColumnSpan, CutsToTheCapacityAndMissingIsEmpty) {
    ColumnSpan spans[2];
    SplitColumns("\"abcdef\",g", ',', spans, 2);
    char text[4];
    EXPECT_EQ(CopyColumnSpan(spans[0], text, 3), 3u);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(SpanTextLength(spans[0]), 6u);
    EXPECT_EQ(CopyColumnSpan(ColumnSpan{}, text, 3), 0u);  // a missing column is empty
    EXPECT_STREQ(text, "");
}

TEST(FindColumn, AnswersTheLineEndForAMissingColumn) {
    const char* line = "a,\"b,c\",d";
    EXPECT_STREQ(FindColumn(line, 2, ','), "d");
    EXPECT_EQ(FindColumn(line, 5, ','), line + std::string(line).size());
}

TEST(BlankSeparators, ReplacesEveryOneAndNothingElse) {
    char text[] = "a,b*c\td\ne,,f g";
    BlankSeparators(text);
    EXPECT_STREQ(text, "a b c d e  f g");
    BlankSeparators(nullptr);
}

}  // namespace
