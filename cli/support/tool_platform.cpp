#include "support/tool_platform.h"

#include <cstdio>

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
