// The definition behind the public handle: what the library makes of one
// ".cal" file and what each of its lines does alone, its texts in UTF-8,
// held so the public structs can point into them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "vezuved/vezuved_core.h"

namespace vezuved::core {

struct DefinitionLineFacts {
    int32_t number = 0;
    int32_t keyword = -1;
    bool hasValue = false;
    std::string text;
    std::string value;
    std::vector<std::string> changed;
    std::vector<const char*> changedTexts;  // into changed, for the public struct
};

struct DefinitionFacts {
    int32_t layout = 0;
    std::array<int32_t, VEZUVED_COLUMN_COUNT> columns{};
    int32_t fieldCount = 0;
    int32_t headerLines = 0;
    int32_t locationFormat = 0;
    bool elevationMetres = false;
    int32_t kind = 0;
    bool olderLayout = false;
    bool placeholder = false;
    std::string delimiter;
    std::string fieldWidths;
    std::optional<std::string> header;
    std::optional<std::string> title;
    std::string extension;
    std::string defaultIcon;
    std::array<std::optional<std::string>, VEZUVED_DEFINITION_LABELS> labels;
    std::vector<DefinitionLineFacts> lines;
};

// The definition as a person reads it (ExplainDefinition); UTF-8 texts,
// each line ending in a line end.
struct DefinitionExplanation {
    std::string summary;                            // title, layout, header, kind, extension
    std::vector<std::vector<std::string>> columns;  // a header row, then one row per column and field
    std::string warnings;                           // "warning: ..." lines; empty when none
};

// The definition at path, read from the library's defaults alone. Fails
// with VEZUVED_ERROR_OPEN when it cannot be read.
DefinitionFacts ReadDefinitionFacts(const std::string& path);

}  // namespace vezuved::core

struct vezuved_definition {
    vezuved::core::DefinitionFacts facts;
    bool read = false;
    std::string error;  // of the last call, "" when it succeeded
    vezuved::core::DefinitionExplanation explanation;
    std::vector<const char*> cells;  // into explanation.columns, for the public struct
};
