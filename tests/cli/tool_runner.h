// Runs the built `vezuved` as a process and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace cli_test {

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The tool in the build tree, or empty when it was not built.
std::string ToolPath();
ToolResult RunTool(const std::vector<std::string>& arguments);

// examples/formats/NAME and examples/data/NAME in the source tree.
std::string FormatFile(const std::string& name);
std::string DataFile(const std::string& name);
std::string SourceFile(const std::string& relative);

// A fresh, empty folder for one test.
std::string FreshFolder(const std::string& name);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Runs a shell command line; its exit status.
int RunShell(const std::string& command);

}  // namespace cli_test
