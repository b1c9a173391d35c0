// Runs the built `vezuved` as a process and collects what it printed.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace cli_test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Under a sanitizer large runs shrink and memory checks are skipped.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif

std::string ToolPath();  // the tool in the build tree, or empty when it was not built
// shell: commands run first in the tool's shell (e.g. a "ulimit").
ToolResult RunTool(const std::vector<std::string>& arguments, const std::string& shell = "");
// Expects the exit status and exactly that standard error; returns standard output.
std::string Expected(int status,
                     const std::string& err,
                     const std::vector<std::string>& arguments,
                     const std::string& shell = "");
std::string Ok(const std::vector<std::string>& arguments, const std::string& shell = "");  // expects 0
// Expects the exit status and a part of standard error.
void Fails(int status,
           const std::vector<std::string>& arguments,
           const std::string& said,
           const std::string& shell = "");
// Words as a shell splits them: at spaces, quotes keeping a word whole.
std::vector<std::string> CommandWords(const std::string& command);
std::string Quoted(const std::string& text);                    // single-quoted for the shell
int RunShell(const std::string& command);                       // its exit status
bool HasProgram(const std::string& name);                       // whether the shell finds it
std::string Joined(const std::vector<std::string>& arguments);  // on one line, for failure messages
// Fails the test when xmllint is there and finds the file no valid GPX 1.1.
void ExpectValidGpx(const std::string& path);

// The tool run with no shell, and its peak memory in bytes (0: unmeasured).
struct MeasuredRun {
    int status = -1;
    long peakBytes = 0;
};
MeasuredRun RunMeasured(const std::vector<std::string>& arguments);
#if !defined(_WIN32)
// The tool as a child process (traced: stopped once loaded), or -1.
int StartTool(const std::vector<std::string>& arguments, bool traced = false);
#endif

// examples/formats/NAME and examples/data/NAME in the source tree.
std::string FormatFile(const std::string& name);
std::string DataFile(const std::string& name);
std::string SourceFile(const std::string& relative);

std::string FreshFolder(const std::string& name);  // fresh and empty
inline std::string ReadFile(const std::string& path) { return ReadFileText(path); }
inline void WriteFile(const std::string& path, const std::string& bytes) { WriteFileBytes(path, bytes); }
bool FileExists(const std::string& path);  // a file, not a folder
using ::Count;

// The shipped definitions as tests/cli/data/shipped-examples.tsv lists them.
struct ShippedExample {
    std::string definition, data, what;
    bool importOnly;
};
const std::vector<ShippedExample>& ShippedExamples();

// A database's records as tab.cal writes them.
std::string RecordTexts(const std::string& database);

// A text track; every 1000th line of a bad latitude, every 997th of no position.
std::string TrackText(int points);

using ::Rows;

// A data file's blocks, each from a line "== NAME ..." on; '#' begins a comment.
inline std::vector<std::vector<std::string>> Blocks(const std::string& text) {
    std::vector<std::vector<std::string>> blocks;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("#", 0) == 0) continue;
        if (line.rfind("== ", 0) == 0) blocks.emplace_back();
        if (!blocks.empty()) blocks.back().push_back(line);
    }
    return blocks;
}

// A block's lines from its third on, each "{}" the path: what was said.
inline std::string Said(const std::vector<std::string>& block, const std::string& path = "") {
    std::string said;
    for (size_t i = 2; i < block.size(); ++i) said += block[i] + "\n";
    for (size_t at = said.find("{}"); at != std::string::npos; at = said.find("{}", at + path.size()))
        said.replace(at, 2, path);
    return said;
}

// Skipped when the tool was not built; each test gets its own folder.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(_WIN32)
        GTEST_SKIP() << "the tool's process tests need a POSIX shell";
#endif
        if (ToolPath().empty()) GTEST_SKIP() << "the vezuved tool was not built";
        folder_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string Out(const std::string& name) const { return folder_ + "/" + name; }
    std::string folder_;
};

}  // namespace cli_test
