// What a caller changes of a text file's definition (its layout, kind,
// unit of elevation and columns), and the settings a text is read or
// written with: its definition, or the handheld's own record lines, or
// the library's defaults, with those changes over them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/library_call.h"
#include "state/conversion_state.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

struct TextOverrides {
    std::optional<uint16_t> layout;
    std::optional<int32_t> kind;  // a database kind
    std::optional<uint16_t> elevationFormat;
    std::optional<std::array<int16_t, VEZUVED_COLUMN_DATE>> columns;  // latitude to description

    // The layout or the columns alone describe a text.
    bool DescribesColumns() const { return layout.has_value() || columns.has_value(); }
};

// The caller's options, checked; fails (VEZUVED_ERROR_ARGUMENT) for a
// value out of range, naming path.
TextOverrides OverridesOf(const vezuved_text_options* options, const std::string& path);

// The database kind a record-line file's extension names (.rlp, .rlt,
// .rlr, any case); none for any other.
std::optional<int32_t> RecordLineKind(const std::string& path);

// Sets the conversion state for the text at path: from definition when
// one is named or lies beside path (definition is then that file), else
// the handheld's record lines for a record-line extension, else the
// library's defaults when overrides describe the columns; then the
// overrides. Fails as LibraryCall::LoadDefinitionAlone when no definition
// can be read. doing begins the failure's sentence.
ConversionState& LoadTextSettings(LibraryCall& call,
                                  const std::string& path,
                                  std::string& definition,
                                  const TextOverrides& overrides,
                                  const std::string& doing);

// Whether a definition's title says it is only read ("... (import only)").
bool IsImportOnly(const ConversionState& state);
bool TitleIsImportOnly(const std::string& title);

// The overrides over the settings a definition left in state.
void ApplyOverrides(ConversionState& state, const TextOverrides& overrides);

}  // namespace vezuved::core
