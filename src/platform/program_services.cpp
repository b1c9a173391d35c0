// The operating-system services of vezuved_system.h, which the tool and
// its page server ask for: POSIX and Windows side by side, as the rest of
// this layer. Each catches what it could throw, since a C caller cannot.
#include <vezuved/vezuved_system.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/temporary_registry.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

#include "platform/path_encoding.h"
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

namespace {

int32_t Hand(vezuved_write_function receive, void* context, const std::string& text) {
    if (receive == nullptr) return 0;
    return receive(context, text.data(), static_cast<int64_t>(text.size())) == 0 ? 0 : -1;
}

// Async-signal-safe: unlinks by paths written before the signal, then lets
// the signal do what it would have done.
void RemoveTemporariesAndEnd(int signal) {
    vezuved::RemoveRegisteredTemporaries();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

char* CopyOf(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

#if defined(_WIN32)

std::wstring Wide(const char* path) {
    std::wstring wide;
    vezuved::WidePathOf(path, vezuved::PathEncoding::Utf8, wide);
    return wide;
}

std::string Utf8Of(const wchar_t* wide, size_t length) {
    std::string text;
    vezuved::NarrowPathOf(wide, length, vezuved::PathEncoding::Utf8, text);
    return text;
}

std::string LoadErrorWords(DWORD code) {
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

std::FILE* OpenForReading(const char* path) { return ::_wfopen(Wide(path).c_str(), L"rb"); }

#else

std::FILE* OpenForReading(const char* path) { return std::fopen(path, "rb"); }

#endif

}  // namespace

extern "C" {

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_free_arguments(char** arguments) {
    if (arguments == nullptr) return;
    for (char** argument = arguments; *argument != nullptr; ++argument) std::free(*argument);
    std::free(arguments);
}

VEZUVED_CORE_API char** VEZUVED_CORE_CALL vezuved_system_arguments(int32_t argc, char** argv) {
    if (argc < 0) return nullptr;
    char** arguments = static_cast<char**>(std::calloc(static_cast<size_t>(argc) + 1, sizeof(char*)));
    if (arguments == nullptr) return nullptr;
    try {
#if defined(_WIN32)
        int count = 0;
        const std::unique_ptr<wchar_t*, decltype(&::LocalFree)> wide(
            ::CommandLineToArgvW(::GetCommandLineW(), &count), ::LocalFree);
        // The wide command line splits otherwise than the runtime did:
        // argv as it is, rather than arguments shifted.
        const bool useWide = wide && count == argc;
        const auto word = [&](int32_t i) {
            return useWide ? Utf8Of(wide.get()[i], std::wcslen(wide.get()[i])) : std::string(argv[i]);
        };
#else
        const auto word = [&](int32_t i) { return std::string(argv[i]); };
#endif
        for (int32_t i = 0; i < argc; ++i)
            if ((arguments[i] = CopyOf(word(i))) == nullptr) throw std::bad_alloc();
        return arguments;
    } catch (...) {
        vezuved_system_free_arguments(arguments);
        return nullptr;
    }
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_read_file(const char* path,
                                                                    vezuved_write_function receive,
                                                                    void* context) {
    if (path == nullptr || receive == nullptr) return EINVAL;
    std::FILE* opened = nullptr;
    try {
        opened = OpenForReading(path);
    } catch (...) {
        return ENOMEM;
    }
    if (opened == nullptr) return errno != 0 ? errno : EIO;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(opened, std::fclose);
    char buffer[64 * 1024];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        if (receive(context, buffer, static_cast<int64_t>(got)) != 0) return -1;
    // A failed read is a failure, never a short text.
    if (std::ferror(in.get())) return errno != 0 ? errno : EIO;
    return 0;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_set_variable(const char* name, const char* value) {
    if (name == nullptr || value == nullptr) return -1;
#if defined(_WIN32)
    return ::_putenv_s(name, value) == 0 ? 0 : -1;
#else
    return ::setenv(name, value, 1) == 0 ? 0 : -1;
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_error_is_terminal(void) {
#if defined(_WIN32)
    return ::_isatty(::_fileno(stderr)) != 0 ? 1 : 0;
#else
    return ::isatty(STDERR_FILENO) != 0 ? 1 : 0;
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_input_is_open(void) {
#if defined(_WIN32)
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    return input != nullptr && input != INVALID_HANDLE_VALUE ? 1 : 0;
#else
    struct stat st;
    return ::fstat(STDIN_FILENO, &st) == 0 ? 1 : 0;
#endif
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_binary_streams(void) {
#if defined(_WIN32)
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_file_identity(const char* path,
                                                                        uint64_t* volume,
                                                                        uint64_t* file) {
    if (path == nullptr || volume == nullptr || file == nullptr) return 0;
#if defined(_WIN32)
    HANDLE opened = INVALID_HANDLE_VALUE;
    try {
        opened = ::CreateFileW(Wide(path).c_str(),
                               0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr,
                               OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS,
                               nullptr);
    } catch (...) {
        return 0;
    }
    if (opened == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(opened, &info) != 0;
    ::CloseHandle(opened);
    if (!known) return 0;
    *volume = info.dwVolumeSerialNumber;
    *file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
#else
    struct stat st;
    if (::stat(path, &st) != 0) return 0;
    *volume = static_cast<uint64_t>(st.st_dev);
    *file = static_cast<uint64_t>(st.st_ino);
#endif
    return 1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_folder_folds_case(const char* folder) {
#if defined(_WIN32)
    // Win32 names are told apart regardless of case, whatever the volume could do.
    (void)folder;
    return 1;
#elif defined(__linux__)
    if (folder == nullptr) return 0;
    struct statfs fs;
    if (::statfs(folder, &fs) == 0) {
        constexpr long kExfat = 0x2011BAB0, kNtfs = 0x5346544E, kNtfs3 = 0x7366746E, kCifs = 0xFF534D42,
                       kSmb2 = 0xFE534D42;
        switch (static_cast<long>(fs.f_type)) {
            case MSDOS_SUPER_MAGIC:
            case kExfat:
            case kNtfs:
            case kNtfs3:
            case kCifs:
            case kSmb2:
                return 1;
            default:
                break;
        }
    }
#if defined(FS_CASEFOLD_FL)
    // ext4 and f2fs fold case folder by folder.
    const int descriptor = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        int flags = 0;
        const bool folds = ::ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
        ::close(descriptor);
        if (folds) return 1;
    }
#endif
    return 0;
#elif defined(_PC_CASE_SENSITIVE)
    return folder != nullptr && ::pathconf(folder, _PC_CASE_SENSITIVE) == 0 ? 1 : 0;
#else
    (void)folder;
    return 0;
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_name_fits(const char* folder, const char* name) {
    if (name == nullptr) return 0;
#if defined(_WIN32)
    // Counted in the UTF-16 units the file system keeps; a name that is no
    // UTF-8 by its bytes, never fewer than its units.
    (void)folder;
    std::wstring wide;
    try {
        if (vezuved::WidePathOf(name, vezuved::PathEncoding::Utf8, wide)) return wide.size() <= 255 ? 1 : 0;
    } catch (...) {
    }
    return std::strlen(name) <= 255 ? 1 : 0;
#else
    const long limit = folder != nullptr ? ::pathconf(folder, _PC_NAME_MAX) : -1;
    return std::strlen(name) <= static_cast<size_t>(limit > 0 ? limit : 255) ? 1 : 0;
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_program_folder(vezuved_write_function receive,
                                                                         void* context) {
    try {
#if defined(_WIN32)
        wchar_t path[32768];
        const DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
        if (length == 0 || length >= 32768) return -1;
        DWORD end = length;
        while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L'/') --end;
        if (end == 0) return -1;
        return Hand(receive, context, Utf8Of(path, end - 1));
#else
        std::error_code error;
        const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) return -1;
        return Hand(receive, context, program.parent_path().string());
#endif
    } catch (...) {
        return -1;
    }
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_system_emulator_name(void) {
#if defined(_WIN32)
    return "";
#else
    return "librapi-emu.so";
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_library_loads(const char* path,
                                                                        vezuved_write_function cause,
                                                                        void* context) {
    if (path == nullptr) return 0;
    try {
#if defined(_WIN32)
        if (const HMODULE module = ::LoadLibraryExW(Wide(path).c_str(), nullptr, 0)) {
            ::FreeLibrary(module);
            return 1;
        }
        Hand(cause, context, LoadErrorWords(::GetLastError()));
#else
        if (void* library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
            ::dlclose(library);
            return 1;
        }
        const char* said = ::dlerror();
        std::string words = said != nullptr ? said : "it cannot be loaded";
        // dlerror repeats the path: "PATH: cannot open shared object file: ...".
        const std::string prefix = std::string(path) + ": ";
        if (words.compare(0, prefix.size(), prefix) == 0) words.erase(0, prefix.size());
        Hand(cause, context, words);
#endif
    } catch (...) {
    }
    return 0;
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_run_instead(const char* program,
                                                                   const char* const* arguments,
                                                                   vezuved_write_function cause,
                                                                   void* context) {
    try {
#if defined(_WIN32)
        (void)program;
        (void)arguments;
        Hand(cause, context, "the Windows build has no program to run instead");
#else
        if (program == nullptr) return;
        std::vector<char*> words = {const_cast<char*>(program)};
        for (const char* const* word = arguments; word != nullptr && *word != nullptr; ++word)
            words.push_back(const_cast<char*>(*word));
        words.push_back(nullptr);
        std::fflush(stdout);
        std::fflush(stderr);
        ::execv(program, words.data());
        Hand(cause, context, std::strerror(errno));  // only when it could not run
#endif
    } catch (...) {
    }
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_open_in_browser(const char* address) {
    if (address == nullptr) return 0;
#if defined(_WIN32)
    try {
        return reinterpret_cast<INT_PTR>(::ShellExecuteW(
                   nullptr, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
#else
    // The desktop's own opener, in a grandchild so no child is left to reap;
    // what it prints is not the program's.
    const pid_t child = ::fork();
    if (child < 0) return 0;
    if (child == 0) {
        const pid_t opener = ::fork();
        if (opener == 0) {
            const int nothing = ::open("/dev/null", O_RDWR);
            if (nothing >= 0) {
                ::dup2(nothing, 0);
                ::dup2(nothing, 1);
                ::dup2(nothing, 2);
            }
#if defined(__APPLE__)
            ::execlp("open", "open", address, static_cast<char*>(nullptr));
#else
            ::execlp("xdg-open", "xdg-open", address, static_cast<char*>(nullptr));
#endif
            ::_exit(127);
        }
        ::_exit(opener < 0 ? 1 : 0);  // no opener started: the page is not opened
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
#endif
}

VEZUVED_CORE_API int64_t VEZUVED_CORE_CALL vezuved_system_process_id(void) {
#if defined(_WIN32)
    return static_cast<int64_t>(::GetCurrentProcessId());
#else
    return static_cast<int64_t>(::getpid());
#endif
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_system_process_running(int64_t id) {
#if defined(_WIN32)
    if (id <= 0 || id > 0xFFFFFFFF) return 0;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER ? 1 : 0;
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    ::CloseHandle(process);
    return running ? 1 : 0;
#else
    if (id <= 0 || id != static_cast<pid_t>(id)) return 0;
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH ? 1 : 0;
#endif
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_system_clean_up_on_signals(void) {
#if defined(_WIN32)
    const int kSignals[] = {SIGINT, SIGTERM};
#else
    // A closed terminal and Ctrl-\ end a run as surely as Ctrl-C.
    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#endif
    for (const int signal : kSignals) {
        if (std::signal(signal, RemoveTemporariesAndEnd) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
}

}  // extern "C"
