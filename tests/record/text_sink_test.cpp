#include <cerrno>
#include <cstdio>
#include <string>

#include "record/text_sink.h"
#include "support/test_support.h"

using namespace vezuved;

namespace {

// Writes pieces through a sink into a file and reads the file back.
std::string Written(const TempFolder& folder, bool crlf, const std::vector<std::string>& pieces) {
    const std::string path = folder.file("out.txt");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    TextSink sink;
    sink.file = file;
    sink.crlf = crlf;
    for (const std::string& piece : pieces) WriteText(sink, piece);
    EXPECT_TRUE(FlushText(sink));
    std::fclose(file);
    return ReadFileText(path);
}

TEST(TextSink, LineEndsBecomeCrLfWhenAsked) {
    TempFolder folder;
    EXPECT_EQ(Written(folder, true, {"a\nb", "\n", "\n\nc"}), "a\r\nb\r\n\r\n\r\nc");
    EXPECT_EQ(Written(folder, false, {"a\nb", "\n"}), "a\nb\n");
}

TEST(TextSink, BlocksLargerThanTheBufferAndLinesAcrossItsEdgeStayWhole) {
    TempFolder folder;
    std::string line(99, 'x');
    line += '\n';
    std::vector<std::string> pieces(3 * kTextSinkBlock / line.size() + 7, line);
    pieces.push_back(std::string(kTextSinkBlock + 3, 'y'));  // written past the buffer
    pieces.push_back("z\n");
    std::string expected;
    for (size_t i = 0; i + 2 < pieces.size(); ++i) expected += std::string(99, 'x') + "\r\n";
    expected += std::string(kTextSinkBlock + 3, 'y') + "z\r\n";
    EXPECT_EQ(Written(folder, true, pieces), expected);
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
