// docs/format-definitions.md says what the tool prints: every example in it
// is run here, in a fresh folder, and must print what the document shows.
//   ```file:NAME      creates NAME with the block's lines
//   ```from:PATH      must hold exactly the lines of PATH in the source tree
//                     (CR LF as LF)
//   ```console        "$ vezuved ARGS" runs the tool (standard error, then
//                     standard output); "$ cat NAME" shows a file (CR LF as
//                     LF, Windows-1252 as UTF-8); the lines up to the next
//                     "$ " are what it prints
#include <filesystem>

#include "tool_runner.h"
#include "values/encoding.h"

namespace cli_test {
namespace {

using ToolDefinitionsDocument = ToolTest;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string WithoutCarriageReturns(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

TEST_F(ToolDefinitionsDocument, EveryExamplePrintsWhatTheDocumentShows) {
    const std::vector<std::string> document = Lines(ReadFile(SourceFile("docs/format-definitions.md")));
    ASSERT_FALSE(document.empty());
    std::filesystem::create_directory_symlink(SourceFile("examples"), Out("examples"));
    const std::string shell = "cd '" + folder_ + "' && ";
    int commands = 0;
    for (size_t i = 0; i < document.size(); ++i) {
        const std::string& line = document[i];
        if (line.rfind("```", 0) != 0 || line == "```") continue;
        std::vector<std::string> block;
        size_t end = i + 1;
        while (end < document.size() && document[end] != "```") block.push_back(document[end++]);
        ASSERT_LT(end, document.size()) << "unclosed block at line " << i + 1;
        const std::string info = line.substr(3);
        SCOPED_TRACE("docs/format-definitions.md:" + std::to_string(i + 1));
        if (info.rfind("file:", 0) == 0) {
            WriteFile(Out(info.substr(5)), JoinedLines(block));
        } else if (info.rfind("from:", 0) == 0) {
            EXPECT_EQ(JoinedLines(block), WithoutCarriageReturns(ReadFile(SourceFile(info.substr(5)))));
        } else if (info == "console") {
            for (size_t at = 0; at < block.size();) {
                ASSERT_EQ(block[at].rfind("$ ", 0), 0u) << block[at];
                const std::vector<std::string> words = CommandWords(block[at].substr(2));
                std::vector<std::string> shown;
                size_t next = at + 1;
                while (next < block.size() && block[next].rfind("$ ", 0) != 0) shown.push_back(block[next++]);
                SCOPED_TRACE(block[at]);
                ASSERT_FALSE(words.empty());
                std::string printed;
                if (words[0] == "cat") {
                    ASSERT_EQ(words.size(), 2u);
                    printed = vezuved_cli::Cp1252ToUtf8(WithoutCarriageReturns(ReadFile(Out(words[1]))));
                } else {
                    ASSERT_EQ(words[0], "vezuved");
                    const ToolResult result =
                        RunTool(std::vector<std::string>(words.begin() + 1, words.end()), shell);
                    printed = result.err + result.out;
                }
                EXPECT_EQ(printed, JoinedLines(shown));
                ++commands;
                at = next;
            }
        }
        i = end;
    }
    EXPECT_GE(commands, 25);
}

}  // namespace
}  // namespace cli_test
