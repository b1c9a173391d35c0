// Owner of a loaded shared library: freed when it goes out of scope.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vezuved {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { Close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library; 0, or the platform's error value (on POSIX
    // ERROR_MOD_NOT_FOUND, as dlopen gives no number). Closes any library
    // held before. On Windows, wide chooses LoadLibraryExW over the A call.
    DWORD Open(const char* path, bool wide = true);
    // The address of an exported entry point, or null.
    void* Symbol(const char* name) const;
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
};

// The folder of the module holding this code (the shared library when the
// code is linked into one, else the program), without a final separator;
// the empty text when it cannot be found.
std::string ThisModuleFolder();

}  // namespace vezuved
