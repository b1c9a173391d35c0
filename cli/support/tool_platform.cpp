#include "support/tool_platform.h"

#include <csignal>
#include <cstdio>

#include "platform/temporary_registry.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vezuved_cli {

namespace {

// Async-signal-safe: unlinks by paths written before the signal, then lets
// the signal do what it would have done.
void RemoveTemporariesAndEnd(int signal) {
    RemoveRegisteredTemporaries();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void RemoveTemporariesOnInterrupt() {
    for (const int signal : {SIGINT, SIGTERM}) {
        // A signal the tool's parent set to be ignored stays ignored.
        if (std::signal(signal, RemoveTemporariesAndEnd) == SIG_IGN) std::signal(signal, SIG_IGN);
    }
}

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

#else

void UseBinaryStandardStreams() {}

void SetDeviceRootVariable(const std::string& root) { ::setenv("VEZUVED_DEVICE", root.c_str(), 1); }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool StandardInputIsOpen() {
    struct stat st;
    return ::fstat(STDIN_FILENO, &st) == 0;
}

#endif

}  // namespace vezuved_cli
