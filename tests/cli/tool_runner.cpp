#include "tool_runner.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace cli_test {

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ToolPath() {
    const char* build = std::getenv("VEZUVED_BUILD_DIR");
    if (build == nullptr) return "";
    const std::string path = std::string(build) + "/cli/vezuved";
    return FileExists(path) ? path : "";
}

int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
#if defined(_WIN32)
    return status;  // the exit code itself
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool HasProgram(const std::string& name) { return RunShell("command -v " + name + " >/dev/null 2>&1") == 0; }

ToolResult RunTool(const std::vector<std::string>& arguments, const std::string& shell) {
    const std::string folder = FreshFolder("run-output");
    std::string command = shell + Quoted(ToolPath());
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    command += " >" + Quoted(folder + "/out") + " 2>" + Quoted(folder + "/err");
    ToolResult result;
    result.status = RunShell(command);
    result.out = ReadFile(folder + "/out");
    result.err = ReadFile(folder + "/err");
    return result;
}

std::string SourceFile(const std::string& relative) { return std::string(VEZUVED_SOURCE_DIR) + "/" + relative; }
std::string FormatFile(const std::string& name) { return SourceFile("examples/formats/" + name); }
std::string DataFile(const std::string& name) { return SourceFile("examples/data/" + name); }

// One folder per test process (CTest runs tests in parallel), removed at exit.
struct ProcessFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("vezuved-cli-test-" + std::to_string(std::random_device()()));
    ~ProcessFolder() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
};

std::string FreshFolder(const std::string& name) {
    static ProcessFolder root;
    const auto folder = root.path / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

bool FileExists(const std::string& path) { return std::filesystem::is_regular_file(path); }

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::vector<std::string> CommandWords(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : command) {
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace cli_test
