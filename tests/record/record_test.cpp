#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/memory.h"
#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "record/columns.h"
#include "record/point_record.h"
#include "record/record_format.h"
#include "record/record_parse.h"
#include "record/text_sink.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

// Texts with quotes dropped; null for a column the line lacks. Each column
// read alone gives the same text, and the walk that knows the line's end
// finds the very spans the walk of one character at a time finds.
TEST(SplitColumns, FindsEveryColumnInOneWalk) {
    const struct {
        const char* line;
        int separator;
        std::vector<const char*> texts;  // empty: the two walks compared only
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
        {",,", ',', {}},
        {"\"\"", ',', {}},
        {"\"", ',', {}},
        {"a\"\",b\"c\"d,\"e", ',', {}},
        {"a,b\tc\t\"d\te\"\t", '\t', {}},
        {"a;b;;\";\";", ';', {}},
        {"no separator here", ',', {}},
    };
    constexpr int kCount = 8;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const int count = static_cast<int>(c.texts.size());
        std::vector<ColumnSpan> spans(c.texts.size());
        SplitColumns(c.line, c.separator, spans.data(), count);
        for (int i = 0; i < count; ++i) {
            const ColumnSpan& span = spans[static_cast<size_t>(i)];
            const char* text = c.texts[static_cast<size_t>(i)];
            EXPECT_EQ(span.begin == nullptr, text == nullptr) << " column " << i;
            if (text == nullptr || span.begin == nullptr) continue;
            char copied[64], alone[64];
            CopyColumnSpan(span, copied, sizeof copied - 1);
            EXPECT_STREQ(copied, text) << " column " << i;
            EXPECT_EQ(SpanTextLength(span), std::strlen(text)) << " column " << i;
            GetColumn(c.line, alone, i, sizeof alone - 1, c.separator);
            EXPECT_STREQ(alone, text) << " column " << i;
        }
        for (int n = 0; n <= kCount; ++n) {
            ColumnSpan walked[kCount], bounded[kCount];
            SplitColumns(c.line, c.separator, walked, n);
            SplitColumnsUpTo(c.line, c.line + std::strlen(c.line), c.separator, bounded, n);
            for (int i = 0; i < n; ++i) {
                EXPECT_EQ(std::tie(bounded[i].begin, bounded[i].end, bounded[i].quotes),
                          std::tie(walked[i].begin, walked[i].end, walked[i].quotes))
                    << " column " << i;
            }
        }
    }
}

// FindColumn answers the line's end for a missing column; BlankSeparators
// replaces every separator and nothing else; a copied field always ends.
TEST(Columns, FindBlankAndCopy) {
    const char* line = "a,\"b,c\",d";
    EXPECT_STREQ(FindColumn(line, 2, ','), "d");
    EXPECT_EQ(FindColumn(line, 5, ','), line + std::string(line).size());
    char text[] = "a,b*c\td\ne,,f g";
    BlankSeparators(text);
    EXPECT_STREQ(text, "a b c d e  f g");
    BlankSeparators(nullptr);
    char field[4];
    CopyField(field, "abcdef");
    EXPECT_STREQ(field, "abc");
    CopyField(field, nullptr);
    EXPECT_STREQ(field, "");
    CopyField(field, "xy", 1);
    EXPECT_STREQ(field, "x");
}

// Texts already in canonical form are kept as they are; every text must come
// out as writing the value it reads as gives.
TEST_F(FreshState, CoordinatesComeOutAsTheirValuesWrittenBack) {
    // The texts, '|' between them.
    std::istringstream list(
        "12.3456789|-12.3456789|0.0000000|-0.0000000|00.1234567|012.3456789|+1.0000000|1.00000000|1.000000|"
        "99999999.9999999|123456789.1234567|-89.9999999|179.9999999|1e1| 1.0000000|1.2345678x||N45 30.5|"
        "S45 30 30|0.5|-.5000000|5.");
    std::vector<std::string> texts;
    for (std::string text; std::getline(list, text, '|');) texts.push_back(text);
    for (uint16_t locFormat :
         {uint16_t{kLocNum}, uint16_t{kLocDeg}, uint16_t{kLocComp}, uint16_t{kLocDegNoSpace}}) {
        for (const std::string& text : texts) {
            OwnedRecord record;
            CopyField(record->latitude, text.c_str());
            CopyField(record->longitude, text.c_str());
            std::string trimmed = text;
            TrimSpaces(trimmed.data());
            trimmed.resize(std::strlen(trimmed.c_str()));
            char latitude[32];
            char longitude[32];
            FormatFixed7(ParseLatitudeText(trimmed.c_str(), locFormat), latitude, sizeof latitude);
            FormatFixed7(ParseLongitudeText(trimmed.c_str(), locFormat), longitude, sizeof longitude);
            NormalizePoint(record.record, locFormat, 0);
            EXPECT_STREQ(record->latitude, latitude) << "'" << text << "' format " << locFormat;
            EXPECT_STREQ(record->longitude, longitude) << "'" << text << "' format " << locFormat;
        }
    }
}

TEST(PointRecordDesc, SetGetAndFreeThroughTheField) {
    OwnedArray records(3);
    for (size_t i = 0; i < 3; ++i)
        ASSERT_EQ(RLSetPointDesc(&records[i], ("note " + std::to_string(i)).c_str()), 0);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_STREQ(RLGetPointDesc(&records[i]), ("note " + std::to_string(i)).c_str());
    uint32_t field;
    std::memcpy(&field, records[0].desc, 4);
    // With 4-byte pointers the field is the text's own address, as hosts of
    // the 32-bit library read it; with 8-byte ones it names a table slot.
    if (sizeof(void*) == 4)
        EXPECT_EQ(field, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(RLGetPointDesc(&records[0]))));
    else
        EXPECT_NE(field, 0u);
    EXPECT_EQ(RLSetPointDesc(&records[1], nullptr), 0);
    EXPECT_EQ(RLGetPointDesc(&records[1]), nullptr);
    std::memcpy(&field, records[1].desc, 4);
    EXPECT_EQ(field, 0u);
}

// Running out of memory keeps the old text; clearing keeps the buffer, emptied.
TEST(PointRecordDesc, OutOfMemoryAndClear) {
    OwnedRecord r;
    FillPoint(r.record, "1", "2", "3", "4", "n", "i", "kept");
    FailAllocationAfter(1);
    EXPECT_EQ(RLSetPointDesc(&r.record, "new"), -1);
    FailAllocationAfter(0);
    EXPECT_EQ(r.desc(), "kept");
    char* before = DescText(r.record);
    ClearKeepDesc(r.record);
    EXPECT_EQ(DescText(r.record), before);
    EXPECT_EQ(r.desc(), "");
    EXPECT_STREQ(r->latitude, "");
}

TEST(TextSink, BlocksLargerThanTheBufferAndLinesAcrossItsEdgeStayWhole) {
    TempFolder folder;
    const std::string path = folder.file("out.txt");
    TextSink sink;
    sink.file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(sink.file, nullptr);
    sink.crlf = true;
    std::string line(99, 'x');
    line += '\n';
    std::vector<std::string> pieces(3 * kTextSinkBlock / line.size() + 7, line);
    pieces.push_back(std::string(kTextSinkBlock + 3, 'y'));  // written past the buffer
    pieces.push_back("z\n");
    std::string expected;
    for (size_t i = 0; i + 2 < pieces.size(); ++i) expected += std::string(99, 'x') + "\r\n";
    expected += std::string(kTextSinkBlock + 3, 'y') + "z\r\n";
    for (const std::string& piece : pieces) WriteText(sink, piece);
    EXPECT_TRUE(FlushText(sink));
    std::fclose(sink.file);
    EXPECT_EQ(ReadFileText(path), expected);
}

#if !defined(_WIN32)
TEST(TextSink, AFailedBlockWriteIsReportedWithItsCause) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    if (full == nullptr) GTEST_SKIP() << "no /dev/full";
    TextSink sink;
    sink.file = full;
    // More than the C library buffers, so the failure shows at once.
    const std::string lines(2 * kTextSinkBlock, '\n');
    WriteText(sink, lines);
    EXPECT_FALSE(FlushText(sink));
    EXPECT_TRUE(sink.failed);
    EXPECT_EQ(sink.error, ENOSPC);
    std::fclose(full);
}
#endif

}  // namespace
