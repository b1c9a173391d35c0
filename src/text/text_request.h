// What a text driver is asked to do, in the library's own types: the
// exports turn their C arguments (-1 for "not given", path buffers) into
// one of these, and the device copy builds one directly.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "state/conversion_state.h"

namespace vezuved {

// The columns a caller maps: latitude through description.
constexpr size_t kMappedColumns = kSlotDesc + 1;
using ColumnMap = std::array<int16_t, kMappedColumns>;

// Every optional value left empty keeps what the definition (or the reset)
// gave.
struct TextRequest {
    std::string source;  // the text read, or the database exported or written to
    // The output named by the caller; empty: beside the source, under its name.
    // A path ending in a folder separator names the folder of an export.
    std::string output;
    // The definition to load, its extension replaced by ".cal"; empty: the
    // driver's own rule (the source's definition; none for an export).
    std::optional<std::string> format;
    std::optional<int32_t> kind;
    std::optional<uint16_t> layout;
    std::optional<uint16_t> elevationFormat;
    std::optional<int32_t> fieldCount;
    std::optional<ColumnMap> columns;
};

// Whether the request names a definition: an empty name names none.
inline bool NamesDefinition(const TextRequest& request) { return request.format && !request.format->empty(); }

// The path a read or a write loads its definition by: the one named, or
// else the source's own (its extension replaced by ".cal").
inline const char* DefinitionToLoad(const TextRequest& request, const char* sourcePath) {
    return NamesDefinition(request) ? request.format->c_str() : sourcePath;
}

struct TextResult {
    int32_t code = -1;    // 0, -1, or the container's code
    std::string written;  // the file written, when code is 0
};

}  // namespace vezuved
