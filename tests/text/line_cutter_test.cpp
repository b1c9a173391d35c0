#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "text/text_lines.h"

namespace {

// The cutting rules one character at a time: LF, CR, CR LF and NUL end a
// line, BEL and BS vanish, header lines are skipped, empty lines dropped.
std::vector<std::string> CutOneByOne(const std::string& text, int32_t headerLines) {
    std::vector<std::string> lines;
    std::string line;
    int32_t ends = 0;
    auto endLine = [&] {
        if (ends++ >= headerLines && !line.empty()) lines.push_back(line);
        line.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\a' || c == '\b') continue;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (c == '\n' || c == '\r' || c == '\0') {
            endLine();
        } else {
            line.push_back(c);
        }
    }
    endLine();
    return lines;
}

// Texts whose breaks, tabs and bytes above 127 fall at every place of the
// sixteen-character stretches the cutter passes over at once.
TEST(CutTextLines, GivesWhatACharacterWalkGives) {
    const char alphabet[] = {
        'a', 'b', ',', '\t', '\n', '\r', '\a', '\b', '\0', '\x0b', '\x0d', '\x0e', '\x80', '\xff', ' '};
    uint64_t state = 88172645463325252u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int round = 0; round < 3000; ++round) {
        const size_t length = next() % 80;
        const size_t plainRun = next() % 40;  // long stretches without a break
        std::string text;
        while (text.size() < length) {
            if (next() % 3 == 0) {
                text.append(plainRun, 'x');
            } else {
                text.push_back(alphabet[next() % sizeof alphabet]);
            }
        }
        const int32_t headerLines = static_cast<int32_t>(next() % 3);
        std::vector<char> buffer(text.begin(), text.end());
        const size_t count = CutTextLines(buffer, headerLines);
        std::vector<std::string> cut;
        ForEachTextLine(buffer, [&](const char* line) { cut.emplace_back(line); });
        const std::vector<std::string> expected = CutOneByOne(text, headerLines);
        ASSERT_EQ(cut, expected) << "round " << round;
        ASSERT_EQ(count, expected.size()) << "round " << round;
    }
    std::vector<char> buffer(100000, 'x');  // a long line stays whole
    buffer.push_back('\n');
    EXPECT_EQ(CutTextLines(buffer, 0), 1u);
    ForEachTextLine(buffer, [&](const char* line) { EXPECT_EQ(std::strlen(line), 100000u); });
}

}  // namespace
