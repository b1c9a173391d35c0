// What a format definition (with the command line's overrides) says about
// a text file: read through the library's own definition reader, so the
// tool's checks see the columns the library will read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "conversion/records.h"

namespace vezuved_cli {

// Column numbers by field, -1 for none.
enum TextField : int { kLatitude = 0, kLongitude, kElevation, kTime, kName, kIcon, kDesc, kDate };

struct TextLayout {
    int code = 1;  // the library's layout code (1 comma, 2 tab, 3 Garmin, 5 fixed, ...)
    char delimiter = ',';
    std::array<int16_t, 8> columns{};  // by TextField
    std::string fieldWidths;           // fixed layout: "w0,w1,..."
    int32_t headerLines = 0;
    uint16_t locFormat = 0;
    uint16_t eleFormat = 0;  // 1: the text's elevations are metres
    int32_t kind = 0;
    bool placeholder = false;  // an older-layout track or route: record 0 stays empty
    std::string header;        // the header line template; empty: none
    std::string title;
};

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
