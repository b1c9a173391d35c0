// What a format definition (with the command line's overrides) says about
// a text file the tool writes, read through the core's definition reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "conversion/records.h"

namespace vezuved_cli {

// What the tool needs of the definition of a text: its unit and title.
struct TextLayout {
    uint16_t eleFormat = 0;  // 1: the text's elevations are metres
    std::string title;       // UTF-8
};

// What a definition says of itself, for a listing of definitions and the
// names of the files written by one.
struct DefinitionSummary {
    std::string title;      // UTF-8; empty: none
    std::string extension;  // with its dot; empty: none
    int layout = 1;         // VEZUVED_LAYOUT_*
    std::string delimiter;  // the delimited layout's character
    int32_t kind = 0;       // VEZUVED_SET_* or VEZUVED_DEFINITION_DATUM
};
// None when the file cannot be read as a definition.
std::optional<DefinitionSummary> SummarizeDefinition(const std::string& path);

// Loads definition (an existing file), its unit as the options choose.
TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options);

// A definition's title (ending "(import only)") says it can only be read.
bool IsImportOnly(const std::string& title);

}  // namespace vezuved_cli
