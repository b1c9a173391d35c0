#include "files/tool_platform.h"

#include "files/failure.h"
#include "files/tool_paths.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <vezuved/vezuved_core.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

#endif

#include <filesystem>

namespace vezuved_cli {

namespace {

// Async-signal-safe: unlinks by paths written before the signal, then lets
// the signal do what it would have done.
void RemoveTemporariesAndEnd(int signal) {
    vezuved_remove_partial_files();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
#if defined(_WIN32)
    const int kSignals[] = {SIGINT, SIGTERM};
#else
    // A closed terminal and Ctrl-\ end a run as surely as Ctrl-C.
    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#endif
    for (const int signal : kSignals) {
        // A signal the tool's parent set to be ignored stays ignored.
        if (std::signal(signal, RemoveTemporariesAndEnd) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
}

#if defined(_WIN32)

namespace {

std::string Utf8Of(const wchar_t* wide) {
    const int length = static_cast<int>(std::wcslen(wide));
    if (length == 0) return std::string();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) ::WideCharToMultiByte(CP_UTF8, 0, wide, length, &text[0], bytes, nullptr, nullptr);
    return text;
}

}  // namespace

std::vector<std::string> ArgumentsInUtf8(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide != nullptr && count == argc) {
        for (int i = 0; i < count; ++i) arguments.push_back(Utf8Of(wide[i]));
    } else {
        // The wide command line splits otherwise than the runtime did:
        // argv as it is, rather than arguments shifted.
        for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
    }
    if (wide != nullptr) ::LocalFree(wide);
    return arguments;
}

std::FILE* OpenToolFile(const std::string& path, const char* mode) {
    std::wstring wideMode;
    for (const char* m = mode; *m != '\0'; ++m) wideMode.push_back(static_cast<wchar_t>(*m));
    return ::_wfopen(PathOf(path).c_str(), wideMode.c_str());
}

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

FileIdentity IdentityOf(const std::string& path) {
    FileIdentity identity;
    const HANDLE file = ::CreateFileW(PathOf(path).c_str(),
                                      0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr,
                                      OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr);
    if (file == INVALID_HANDLE_VALUE) return identity;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileInformationByHandle(file, &info)) {
        identity.exists = true;
        identity.volume = info.dwVolumeSerialNumber;
        identity.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
    ::CloseHandle(file);
    return identity;
}

// Win32 names are told apart regardless of case, whatever the volume could do.
bool FolderFoldsCase(const std::string&) { return true; }

// Names are UTF-8, counted in the UTF-16 units the file system keeps; one
// that is no UTF-8 is counted by its bytes, never fewer than its units.
bool NameFits(const std::string&, const std::string& name) {
    try {
        return std::filesystem::u8path(name).wstring().size() <= 255;
    } catch (const std::exception&) {
        return name.size() <= 255;
    }
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
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr,
        code,
        0,
        reinterpret_cast<char*>(&words),
        0,
        nullptr);
    std::string text = length > 0 && words != nullptr ? std::string(words, length) : std::string();
    if (words != nullptr) ::LocalFree(words);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
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

void SetRemoteApiLibraryVariable(const std::string& path) {
    ::_putenv_s("VEZUVED_RAPI_LIBRARY", path.c_str());
}

std::string RunInstead(const std::string&, const std::vector<std::string>&) {
    return "the Windows build has no program to run instead";
}

int64_t ThisProcessId() { return static_cast<int64_t>(::GetCurrentProcessId()); }

bool ProcessIsRunning(int64_t id) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running;
}

bool OpenInBrowser(const std::string& address) {
    const std::wstring wide = std::filesystem::u8path(address).wstring();
    return reinterpret_cast<INT_PTR>(
               ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

#else

std::string RunInstead(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> words;
    words.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) words.push_back(const_cast<char*>(argument.c_str()));
    words.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(program.c_str(), words.data());
    return std::strerror(errno);  // only when it could not run
}

int64_t ThisProcessId() { return static_cast<int64_t>(::getpid()); }

bool ProcessIsRunning(int64_t id) {
    if (id <= 0 || id != static_cast<pid_t>(id)) return false;
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

bool OpenInBrowser(const std::string& address) {
    // The desktop's own opener, in a grandchild so no child is left to reap;
    // what it prints is not the tool's.
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        if (::fork() == 0) {
            const int nothing = ::open("/dev/null", O_RDWR);
            if (nothing >= 0) {
                ::dup2(nothing, 0);
                ::dup2(nothing, 1);
                ::dup2(nothing, 2);
            }
#if defined(__APPLE__)
            ::execlp("open", "open", address.c_str(), static_cast<char*>(nullptr));
#else
            ::execlp("xdg-open", "xdg-open", address.c_str(), static_cast<char*>(nullptr));
#endif
            ::_exit(127);
        }
        ::_exit(0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void UseBinaryStandardStreams() {}

FileIdentity IdentityOf(const std::string& path) {
    FileIdentity identity;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return identity;
    identity.exists = true;
    identity.volume = static_cast<uint64_t>(st.st_dev);
    identity.file = static_cast<uint64_t>(st.st_ino);
    return identity;
}

bool FolderFoldsCase(const std::string& folder) {
#if defined(__linux__)
    struct statfs fs;
    if (::statfs(folder.c_str(), &fs) == 0) {
        constexpr long kExfat = 0x2011BAB0, kNtfs = 0x5346544E, kNtfs3 = 0x7366746E, kCifs = 0xFF534D42,
                       kSmb2 = 0xFE534D42;
        switch (static_cast<long>(fs.f_type)) {
            case MSDOS_SUPER_MAGIC:
            case kExfat:
            case kNtfs:
            case kNtfs3:
            case kCifs:
            case kSmb2:
                return true;
            default:
                break;
        }
    }
#if defined(FS_CASEFOLD_FL)
    // ext4 and f2fs fold case folder by folder.
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        int flags = 0;
        const bool folds = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
        ::close(descriptor);
        if (folds) return true;
    }
#endif
    return false;
#elif defined(_PC_CASE_SENSITIVE)
    return ::pathconf(folder.c_str(), _PC_CASE_SENSITIVE) == 0;
#else
    (void)folder;
    return false;
#endif
}

bool NameFits(const std::string& folder, const std::string& name) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return name.size() <= static_cast<size_t>(limit > 0 ? limit : 255);
}

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

std::vector<std::string> ArgumentsInUtf8(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::FILE* OpenToolFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

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

void SetRemoteApiLibraryVariable(const std::string& path) {
    ::setenv("VEZUVED_RAPI_LIBRARY", path.c_str(), 1);
}

void SetDeviceRootVariable(const std::string& root) { ::setenv("VEZUVED_DEVICE", root.c_str(), 1); }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool StandardInputIsOpen() {
    struct stat st;
    return ::fstat(STDIN_FILENO, &st) == 0;
}

#endif

}  // namespace vezuved_cli
