// Helpers shared by the fuzz targets: a private scratch folder, a clean
// conversion state for every input, and a quiet standard output (the
// library prints its diagnostics there, and printing each run slows the
// fuzzer without telling it anything).
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "state/conversion_state.h"

using namespace vezuved;

namespace fuzz {

inline void QuietStdout() {
    if (std::getenv("VEZUVED_FUZZ_VERBOSE") == nullptr) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
    }
}

// One folder per process, so parallel fuzzing jobs never share files.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vezuved-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

inline std::string ScratchFile(const char* name) { return ScratchFolder() + "/" + name; }

inline void WriteFile(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();
}

// The state the library has at load: each input starts from it, so a
// finding reproduces from its own bytes alone.
inline void FreshState() {
    State() = ConversionState{};
    FreeFormatStrings(State());
}

// The input as a NUL-terminated text.
inline std::string Text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace fuzz
