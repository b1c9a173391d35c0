#include "device_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace devtest {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vezuved-device-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    const char* made = ::mkdtemp(buffer.data());
    path_ = made != nullptr ? made : std::string();
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        ::setenv(name_.c_str(), old_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string BuildFolder() {
    if (const char* dir = std::getenv("VEZUVED_BUILD_DIR")) return dir;
    // The test program lives in <build>/tests.
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return ".";
    return self.parent_path().parent_path().string();
}

std::string EmulatorPath() { return BuildFolder() + "/librapi-emu.so"; }
std::string PartialEmulatorPath() { return BuildFolder() + "/librapi-emu-partial.so"; }

}  // namespace devtest
