// The exports' C shapes turned into the drivers' requests: -1 (or 0, where
// the export says so) for a value not given, a column array, and the path
// buffer a written path is reported into.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "base/paths.h"
#include "text/text_request.h"
#include "vezuved/vezuved.h"

namespace vezuved {

// A value given when at least `least`.
template <typename T>
std::optional<T> GivenFrom(int16_t value, int16_t least) {
    if (value < least) return std::nullopt;
    return static_cast<T>(value);
}

inline std::optional<ColumnMap> GivenColumns(const int16_t* fieldMap) {
    if (fieldMap == nullptr) return std::nullopt;
    ColumnMap columns{};
    std::memcpy(columns.data(), fieldMap, sizeof columns);
    return columns;
}

inline std::string PathOrEmpty(const char* path) { return path != nullptr ? path : ""; }

inline std::optional<std::string> GivenPath(const char* path) {
    if (path == nullptr) return std::nullopt;
    return std::string(path);
}

// The written path goes back into the caller's buffer only when the caller
// named no output; the buffer holds kMaxPathLength characters and the NUL
// (vezuved.h), and a longer path was refused when the file was made.
inline void ReportWrittenPath(char* buffer, const TextResult& result) {
    if (buffer == nullptr || result.code != 0 || *SkipLeadingSpaces(buffer) != '\0') return;
    if (result.written.size() <= kMaxPathLength) {
        std::memcpy(buffer, result.written.c_str(), result.written.size() + 1);
    }
}

}  // namespace vezuved
