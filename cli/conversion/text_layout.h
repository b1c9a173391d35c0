// What a format definition (with the command line's overrides) says about
// a text file the tool writes, read through the core's definition reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "conversion/records.h"

namespace vezuved_cli {

// What the tool writes a text by: its layout, unit, kind and header line.
struct TextLayout {
    int code = 1;            // the library's layout code (1 comma, 2 tab, 3 Garmin, 5 fixed, ...)
    uint16_t eleFormat = 0;  // 1: the text's elevations are metres
    int32_t kind = 0;
    std::string header;  // the header line template, the file's bytes; empty: none
    std::string title;   // UTF-8
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

// Loads definition (an existing file) and applies the options' layout,
// columns, units and kind as the library's readers do.
TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options);

// Whether a written text starts with the definition's header line (the
// layouts that write the records' own lines or Garmin blocks do not).
bool HasHeaderLine(const TextLayout& layout);

// The header template with [NumRecords] and [Title] (any case) replaced;
// other bracketed tokens of up to 29 characters vanish.
std::string ExpandHeaderTemplate(const std::string& text, uint32_t count, const std::string& title);

// A definition's title (ending "(import only)") says it can only be read.
bool IsImportOnly(const std::string& title);

}  // namespace vezuved_cli
