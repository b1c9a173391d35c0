// Every example command the help texts and README.md show runs as written,
// in a fresh folder holding the example files (and hike.pdb, which the
// examples take as made), and gives the right data.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include "tool_runner.h"

namespace cli_test {
namespace {

using ToolExamples = ToolTest;

// What an example must give: texts in what it printed, in a file it wrote,
// or in what a later command prints about a file it wrote.
struct Expected {
    std::string source;  // empty: standard output; "stderr"; "vezuved ARGS": what that prints; else a file
    std::vector<std::string> texts;
};

// The text with its escapes \n, \t and \\ turned into what they stand for.
std::string Unescaped(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        plain += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return plain;
}

// The checks of tests/cli/data/examples-checks.txt, by example.
const std::map<std::string, std::vector<Expected>>& Checks() {
    static const std::map<std::string, std::vector<Expected>> kChecks = [] {
        std::map<std::string, std::vector<Expected>> checks;
        std::istringstream lines(TestData("cli/data/examples-checks.txt"));
        std::vector<Expected>* example = nullptr;
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            if (line.rfind("$ ", 0) == 0) {
                example = &checks[line.substr(2)];
                continue;
            }
            const size_t tab = line.find('\t');
            EXPECT_TRUE(example != nullptr && tab != std::string::npos) << line;
            if (example == nullptr || tab == std::string::npos) continue;
            const std::string source = line.substr(0, tab) == "stdout" ? "" : line.substr(0, tab);
            if (example->empty() || example->back().source != source) example->push_back({source, {}});
            example->back().texts.push_back(Unescaped(line.substr(tab + 1)));
        }
        return checks;
    }();
    return kChecks;
}

// The input files the examples name besides the example folder and
// hike.pdb (phone.gpx holds two tracks: of two points, then three).
void WriteExampleInputs(const std::string& folder) {
    std::filesystem::copy(
        SourceFile("tests/cli/data/examples"), folder, std::filesystem::copy_options::recursive);
}

// The lines of text that start with prefix + "vezuved " (without the
// program name) or prefix + "cat FILE | vezuved " (kept whole), without any
// "# comment" and with single spaces.
std::vector<std::string> ExampleLines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    const std::string start = prefix + "vezuved ";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, start.size(), start) == 0) {
            line = line.substr(start.size());
        } else if (line.compare(0, prefix.size() + 4, prefix + "cat ") == 0 &&
                   line.find(" | vezuved ") != std::string::npos) {
            line = line.substr(prefix.size());
        } else {
            continue;
        }
        if (const size_t comment = line.find(" #"); comment != std::string::npos) line.erase(comment);
        std::istringstream words(line);
        std::string normal, word;
        while (words >> word) normal += (normal.empty() ? "" : " ") + word;
        lines.push_back(normal);
    }
    return lines;
}

TEST_F(ToolExamples, EveryShownExampleRunsAndGivesTheRightData) {
    std::vector<std::string> examples;
    const std::vector<std::vector<std::string>> helps = {{"--help"},
                                                         {"info", "--help"},
                                                         {"show", "--help"},
                                                         {"import", "--help"},
                                                         {"export", "--help"},
                                                         {"convert", "--help"},
                                                         {"stats", "--help"},
                                                         {"formats", "--help"},
                                                         {"device", "--help"},
                                                         {"device", "list", "--help"},
                                                         {"device", "push", "--help"},
                                                         {"device", "pull", "--help"}};
    for (const auto& help : helps) {
        const ToolResult result = RunTool(help);
        ASSERT_EQ(result.status, 0) << help[0];
        const auto lines = ExampleLines(result.out, "  ");
        EXPECT_FALSE(lines.empty()) << "no example in the help of " << help[0];
        examples.insert(examples.end(), lines.begin(), lines.end());
    }
    const auto readme = ExampleLines(ReadFile(SourceFile("README.md")), "    ");
    EXPECT_GE(readme.size(), 5u);
    examples.insert(examples.end(), readme.begin(), readme.end());
    EXPECT_GE(examples.size(), 20u);
    for (const auto& check : Checks()) {
        EXPECT_NE(std::find(examples.begin(), examples.end(), check.first), examples.end())
            << "a check for an example no help text or README.md shows: " << check.first;
    }

    const std::string build =
        std::getenv("VEZUVED_BUILD_DIR") != nullptr ? std::getenv("VEZUVED_BUILD_DIR") : "";
    // The device examples run from a plain build: the tool finds the emulator itself.
    const std::string emulator = build + "/librapi-emu.so";
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        const auto check = Checks().find(example);
        ASSERT_NE(check, Checks().end()) << "no check for the example 'vezuved " << example << "'";
        const bool device = example.compare(0, 7, "device ") == 0;
        if (device && !FileExists(emulator)) {
            std::cout << "not run without the device emulator: vezuved " << example << "\n";
            continue;
        }
#if !defined(VEZUVED_HAVE_GEOGRAPHICLIB)
        // A build without GeographicLib refuses to measure, with a sentence saying so.
        if (example.compare(0, 6, "stats ") == 0 || example.find("--output html") != std::string::npos) {
            std::cout << "not run without GeographicLib: vezuved " << example << "\n";
            continue;
        }
#endif
        const std::string folder = FreshFolder("example");
        std::filesystem::copy(
            SourceFile("examples"), folder + "/examples", std::filesystem::copy_options::recursive);
        std::filesystem::create_directory(folder + "/emulated-handheld");
        const std::string environment = "VEZUVED_DEVICE=emulated-handheld ";
        const std::string shell = "cd '" + folder + "' && " + environment;
        ASSERT_EQ(
            RunTool(
                CommandWords("import examples/data/hike-track.csv -d examples/formats/track.cal -o hike.pdb"),
                shell)
                .status,
            0);
        if (device) {
            ASSERT_EQ(RunTool(CommandWords("device push --device emulated-handheld --create hike.pdb"), shell)
                          .status,
                      0);
        }
        WriteExampleInputs(folder);
        ASSERT_EQ(RunTool(CommandWords("convert hike.pdb hike.gpx"), shell).status, 0);
        // What the example is checked by must be its own work.
        for (const Expected& expected : check->second) {
            if (!expected.source.empty() && expected.source != "stderr" &&
                expected.source.rfind("vezuved ", 0) != 0) {
                std::filesystem::remove(folder + "/" + expected.source);
            }
        }
        // "cat FILE | vezuved ARGS" feeds FILE to standard input; "ARGS > FILE"
        // writes standard output to FILE.
        std::string arguments = example, input, redirected;
        if (const size_t pipe = example.find(" | vezuved "); pipe != std::string::npos) {
            input = example.substr(4, pipe - 4);
            arguments = example.substr(pipe + 11);
        }
        if (const size_t to = arguments.find(" > "); to != std::string::npos) {
            redirected = arguments.substr(to + 3);
            arguments.erase(to);
        }
        const std::string feed = input.empty() ? "" : "cat '" + input + "' | ";
        const ToolResult result =
            RunTool(CommandWords(arguments), "cd '" + folder + "' && " + feed + environment);
        ASSERT_EQ(result.status, 0) << result.err;
        if (!redirected.empty()) WriteFile(folder + "/" + redirected, result.out);
        for (const Expected& expected : check->second) {
            SCOPED_TRACE(expected.source);
            std::string text = result.out;
            if (device) {
                EXPECT_EQ(result.out.find("Copying"), std::string::npos) << result.out;
            }
            if (expected.source == "stderr") {
                text = result.err;
            } else if (expected.source.rfind("vezuved ", 0) == 0) {
                const ToolResult shown = RunTool(CommandWords(expected.source.substr(8)), shell);
                ASSERT_EQ(shown.status, 0) << shown.err;
                text = shown.out;
            } else if (!expected.source.empty()) {
                ASSERT_TRUE(FileExists(folder + "/" + expected.source)) << "not written";
                text = ReadFile(folder + "/" + expected.source);
            }
            for (const std::string& part : expected.texts) {
                EXPECT_NE(text.find(part), std::string::npos) << part << "\n---\n" << text;
            }
        }
    }
}

}  // namespace
}  // namespace cli_test
