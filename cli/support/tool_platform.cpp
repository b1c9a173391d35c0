#include "support/tool_platform.h"

#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#endif

#include <filesystem>

namespace vezuved_cli {

#if defined(_WIN32)

void SetDeviceRootVariable(const std::string& root) { ::_putenv_s("VEZUVED_DEVICE", root.c_str()); }

bool StandardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

bool StandardInputIsOpen() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    return input != nullptr && input != INVALID_HANDLE_VALUE;
}

void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

std::string ProgramFolder() {
    wchar_t path[32768];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
    if (length == 0 || length >= 32768) return std::string();
    return std::filesystem::path(std::wstring(path, length)).parent_path().u8string();
}

std::string LoadErrorWords(uint32_t code) {
    char* words = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<char*>(&words), 0, nullptr);
    std::string text = length > 0 && words != nullptr ? std::string(words, length) : std::string();
    if (words != nullptr) ::LocalFree(words);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "error " + std::to_string(code) : text;
}

LibrarySearch FindLoadableLibrary(const std::vector<std::string>& paths) {
    LibrarySearch search;
    for (const std::string& path : paths) {
        const std::wstring wide = std::filesystem::u8path(path).wstring();
        if (const HMODULE module = ::LoadLibraryExW(wide.c_str(), nullptr, 0)) {
            ::FreeLibrary(module);
            search.found = path;
            return search;
        }
        search.failed.emplace_back(path, LoadErrorWords(::GetLastError()));
    }
    return search;
}

std::string EmulatorFileName() { return std::string(); }

void SetRemoteApiLibraryVariable(const std::string& path) { ::_putenv_s("VEZUVED_RAPI_LIBRARY", path.c_str()); }

#else

void UseBinaryStandardStreams() {}

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

std::string LoadErrorWords(uint32_t) { return std::string(); }

LibrarySearch FindLoadableLibrary(const std::vector<std::string>& paths) {
    LibrarySearch search;
    for (const std::string& path : paths) {
        if (void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            ::dlclose(library);
            search.found = path;
            return search;
        }
        const char* cause = ::dlerror();
        std::string words = cause != nullptr ? cause : "it cannot be loaded";
        // dlerror repeats the path: "PATH: cannot open shared object file: ...".
        if (words.compare(0, path.size() + 2, path + ": ") == 0) words.erase(0, path.size() + 2);
        search.failed.emplace_back(path, words);
    }
    return search;
}

std::string EmulatorFileName() { return "librapi-emu.so"; }

void SetRemoteApiLibraryVariable(const std::string& path) { ::setenv("VEZUVED_RAPI_LIBRARY", path.c_str(), 1); }

void SetDeviceRootVariable(const std::string& root) { ::setenv("VEZUVED_DEVICE", root.c_str(), 1); }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool StandardInputIsOpen() {
    struct stat st;
    return ::fstat(STDIN_FILENO, &st) == 0;
}

#endif

}  // namespace vezuved_cli
