#include "device_test_support.h"

#include <sys/stat.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace devtest {

TempFolder::TempFolder() {
#if defined(_WIN32)
    // No mkdtemp: a random name, taken only when create_directory made it.
    static std::mt19937_64 random{std::random_device{}()};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate = base / ("vezuved-device-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "vezuved-device-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    const char* made = ::mkdtemp(buffer.data());
    path_ = made != nullptr ? made : std::string();
#endif
}

namespace {
// _putenv_s with an empty value removes the variable; the C runtime's
// environment is the one the emulator DLL reads with getenv.
void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}
}  // namespace

TempFolder::~TempFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    SetVariable(name, value);
}

ScopedEnv::~ScopedEnv() {
    SetVariable(name_.c_str(), had_ ? old_.c_str() : nullptr);
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
#if defined(_WIN32)
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return ".";
    const std::filesystem::path self(std::string(path, length));
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return ".";
#endif
    return self.parent_path().parent_path().string();
}

std::string EmulatorPath() { return BuildFolder() + "/librapi-emu.so"; }
std::string PartialEmulatorPath() { return BuildFolder() + "/librapi-emu-partial.so"; }

}  // namespace devtest
