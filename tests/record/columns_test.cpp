#include <cstring>
#include <string>
#include <vector>

#include "record/columns.h"
#include "record/record_format.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

std::string SpanText(const ColumnSpan& span) {
    char text[64];
    CopyColumnSpan(span, text, sizeof text - 1);
    return text;
}

// Texts with quotes dropped; null for a column the line lacks. Each column
// read alone gives the same text.
TEST(SplitColumns, FindsEveryColumnInOneWalk) {
    const struct {
        const char* line;
        int separator;
        std::vector<const char*> texts;
    } cases[] = {
        {"a,b,c", ',', {"a", "b", "c"}},
        {"a,b", ',', {"a", "b", nullptr, nullptr}},
        {"a,b,", ',', {"a", "b", "", nullptr}},  // an empty last column starts at the end
        {"\"x,y\",z", ',', {"x,y", "z"}},
        {"ab\"c,d\"e,f", ',', {"abc,de", "f"}},
        {"a,\"b,c", ',', {"a", "b,c", nullptr}},  // an unclosed quote runs to the end
        {"1*2,3", kRecordSeparators, {"1", "2", "3"}},
        {"a,b\tc", '\t', {"a,b", "c"}},
        {"a\"b\"c", '"', {"abc", nullptr}},  // a quote as separator stays a quote
        {"", ',', {"", nullptr}},
    };
    for (const auto& c : cases) {
        const int count = static_cast<int>(c.texts.size());
        std::vector<ColumnSpan> spans(c.texts.size());
        SplitColumns(c.line, c.separator, spans.data(), count);
        for (int i = 0; i < count; ++i) {
            const ColumnSpan& span = spans[static_cast<size_t>(i)];
            const char* text = c.texts[static_cast<size_t>(i)];
            EXPECT_EQ(span.begin == nullptr, text == nullptr) << c.line << " column " << i;
            if (text == nullptr || span.begin == nullptr) continue;
            EXPECT_EQ(SpanText(span), text) << c.line << " column " << i;
            EXPECT_EQ(SpanTextLength(span), std::strlen(text)) << c.line << " column " << i;
            char alone[64];
            GetColumn(c.line, alone, i, sizeof alone - 1, c.separator);
            EXPECT_STREQ(alone, text) << c.line << " column " << i;
        }
    }
}

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
