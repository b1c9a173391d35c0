// Every example of the help texts, README.md and docs/format-definitions.md runs as shown.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "library_names.h"
#include "sets/encoding.h"
#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolExamples = ToolTest;
namespace fs = std::filesystem;

// The checks of tests/cli/data/examples-checks.txt by example: what SOURCE
// (empty: standard output; "stderr"; "vezuved ARGS": what it prints; else a
// file) must hold, with \n, \t and \\ for what they stand for.
std::map<std::string, std::vector<std::pair<std::string, std::string>>> Checks() {
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> checks;
    for (const auto& block : Blocks(TestData("cli/data/examples-checks.txt"))) {
        auto& example = checks[block[0].substr(3)];
        for (size_t line = 1; line < block.size(); ++line) {
            const std::string& check = block[line];
            const size_t tab = check.find('\t');
            EXPECT_NE(tab, std::string::npos) << check;
            std::string text;
            for (size_t i = tab + 1; i < check.size(); ++i) {
                const bool escape = check[i] == '\\' && i + 1 < check.size();
                const char c = escape ? check[++i] : check[i];
                text += !escape ? c : c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            const std::string source = check.substr(0, tab);
            example.emplace_back(source == "stdout" ? "" : source, text);
        }
    }
    return checks;
}

// The lines starting prefix + "vezuved " (without it) or prefix + "cat FILE
// | vezuved " (whole), with single spaces and no "# comment".
std::vector<std::string> ExampleLines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix + "vezuved ", 0) == 0) {
            line = line.substr(prefix.size() + 8);
        } else if (line.rfind(prefix + "cat ", 0) == 0 && line.find(" | vezuved ") != std::string::npos) {
            line = line.substr(prefix.size());
        } else {
            continue;
        }
        std::istringstream words(line.substr(0, line.find(" #")));
        std::string normal, word;
        while (words >> word) normal += (normal.empty() ? "" : " ") + word;
        lines.push_back(normal);
    }
    return lines;
}

TEST_F(ToolExamples, EveryShownExampleRunsAndGivesTheRightData) {
    std::vector<std::string> examples;
    std::istringstream helps(
        "|info|show|import|export|convert|stats|formats|device|device list|device push|device pull");
    for (std::string help; std::getline(helps, help, '|');) {
        const ToolResult result = RunTool(CommandWords(help + " --help"));
        ASSERT_EQ(result.status, 0) << help;
        const auto lines = ExampleLines(result.out, "  ");
        EXPECT_FALSE(lines.empty()) << "no example in the help of " << help;
        examples.insert(examples.end(), lines.begin(), lines.end());
    }
    const auto readme = ExampleLines(ReadFile(SourceFile("README.md")), "    ");
    EXPECT_GE(readme.size(), 5u);
    examples.insert(examples.end(), readme.begin(), readme.end());
    EXPECT_GE(examples.size(), 20u);
    const auto checks = Checks();
    for (const auto& check : checks) {
        EXPECT_NE(std::find(examples.begin(), examples.end(), check.first), examples.end())
            << "a check for an example no help text or README.md shows: " << check.first;
    }
    // The device examples run from a plain build: the tool finds the emulator itself.
    const std::string emulator = std::string(std::getenv("VEZUVED_BUILD_DIR")) + "/librapi-emu.so";
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        const auto check = checks.find(example);
        ASSERT_NE(check, checks.end()) << "no check for the example 'vezuved " << example << "'";
        const bool device = example.rfind("device ", 0) == 0;
        if (device && !FileExists(emulator)) {
            std::cout << "not run without the device emulator: vezuved " << example << "\n";
            continue;
        }
#if !defined(VEZUVED_HAVE_GEOGRAPHICLIB)
        // A build without GeographicLib refuses to measure.
        if (example.rfind("stats ", 0) == 0 || example.find("--output html") != std::string::npos) {
            std::cout << "not run without GeographicLib: vezuved " << example << "\n";
            continue;
        }
#endif
        const std::string folder = FreshFolder("example");
        fs::copy(SourceFile("examples"), folder + "/examples", fs::copy_options::recursive);
        fs::create_directory(folder + "/emulated-handheld");
        const std::string shell = "cd '" + folder + "' && VEZUVED_DEVICE=emulated-handheld ";
        std::vector<std::string> setup = {
            "import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb"};
        if (device) setup.push_back("device push --device emulated-handheld --create hike.pdb");
        setup.push_back("convert hike.pdb hike.gpx");
        for (const std::string& command : setup) ASSERT_EQ(RunTool(CommandWords(command), shell).status, 0);
        // The other input files the examples name.
        fs::copy(SourceFile("tests/cli/data/examples"), folder, fs::copy_options::recursive);
        // What the example is checked by must be its own work.
        for (const auto& [source, text] : check->second) {
            if (!source.empty() && source != "stderr" && source.rfind("vezuved ", 0) != 0)
                fs::remove(folder + "/" + source);
        }
        // "cat FILE | vezuved ARGS" feeds FILE; "ARGS > FILE" writes standard output to it.
        std::string arguments = example, feed;
        if (const size_t pipe = example.find(" | vezuved "); pipe != std::string::npos) {
            feed = "cat '" + example.substr(4, pipe - 4) + "' | ";
            arguments = example.substr(pipe + 11);
        }
        const size_t to = arguments.find(" > ");
        const ToolResult result =
            RunTool(CommandWords(arguments.substr(0, to)),
                    "cd '" + folder + "' && " + feed + "VEZUVED_DEVICE=emulated-handheld ");
        ASSERT_EQ(result.status, 0) << result.err;
        if (to != std::string::npos) WriteFile(folder + "/" + arguments.substr(to + 3), result.out);
        EXPECT_TRUE(!device || result.out.find("Copying") == std::string::npos) << result.out;
        for (const auto& [source, part] : check->second) {
            SCOPED_TRACE(source);
            std::string text = source.empty() ? result.out : source == "stderr" ? result.err : "";
            if (source.rfind("vezuved ", 0) == 0) {
                const ToolResult shown = RunTool(CommandWords(source.substr(8)), shell);
                ASSERT_EQ(shown.status, 0) << shown.err;
                text = shown.out;
            } else if (!source.empty() && source != "stderr") {
                ASSERT_TRUE(FileExists(folder + "/" + source)) << "not written";
                text = ReadFile(folder + "/" + source);
            }
            EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
        }
    }
}

// docs/format-definitions.md run as written: ```file:NAME creates NAME,
// ```from:PATH holds PATH's lines, ```console: "$ vezuved ARGS" prints its
// standard error then output, "$ cat NAME" a file (as LF, in UTF-8), as the
// lines up to the next "$ " show.

std::string JoinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::string WithoutCarriageReturns(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

TEST_F(ToolExamples, EveryDocumentedDefinitionExamplePrintsWhatTheDocumentShows) {
    std::vector<std::string> document;
    std::istringstream text(ReadFile(SourceFile("docs/format-definitions.md")));
    for (std::string line; std::getline(text, line);) document.push_back(line);
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
