#include "core/text_overrides.h"

#include <cstdio>

#include "base/ascii.h"
#include "convert/coordinates.h"
#include "core/core_failure.h"
#include "core/file_formats.h"
#include "core/text_sets.h"

namespace vezuved::core {
namespace {

std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

[[noreturn]] void FailValue(const std::string& path, const std::string& what, int32_t value) {
    FailCore(VEZUVED_ERROR_ARGUMENT, "'" + path + "': " + std::to_string(value) + " is no " + what);
}

}  // namespace

TextOverrides OverridesOf(const vezuved_text_options* options, const std::string& path) {
    TextOverrides overrides;
    if (options == nullptr) return overrides;
    if (options->layout != VEZUVED_TEXT_AS_DEFINED) {
        if (options->layout < kLayoutRecordLine || options->layout > kLayoutSurvey)
            FailValue(path, "text layout", options->layout);
        overrides.layout = static_cast<uint16_t>(options->layout);
    }
    if (options->kind != VEZUVED_TEXT_AS_DEFINED) {
        // The set kinds are the database kinds; a track or route in the
        // older layout is a track or route.
        const int32_t kind = options->kind == VEZUVED_KIND_TRACK_OLD   ? VEZUVED_SET_TRACK
                             : options->kind == VEZUVED_KIND_ROUTE_OLD ? VEZUVED_SET_ROUTE
                                                                       : options->kind;
        if (kind != VEZUVED_SET_WAYPOINTS && kind != VEZUVED_SET_TRACK && kind != VEZUVED_SET_ROUTE)
            FailValue(path, "kind of set", options->kind);
        overrides.kind = kind;
    }
    if (options->elevation_format != VEZUVED_TEXT_AS_DEFINED) {
        if (options->elevation_format != 0 && options->elevation_format != 1)
            FailValue(path, "unit of elevation", options->elevation_format);
        overrides.elevationFormat = static_cast<uint16_t>(options->elevation_format);
    }
    if (options->has_columns != 0) {
        std::array<int16_t, VEZUVED_COLUMN_DATE> columns{};  // a date column is the definition's
        for (int i = 0; i < VEZUVED_COLUMN_DATE; ++i) {
            if (options->columns[i] < -1) FailValue(path, "column", options->columns[i]);
            columns[static_cast<size_t>(i)] = options->columns[i];
        }
        overrides.columns = columns;
    }
    return overrides;
}

std::optional<int32_t> RecordLineKind(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    if (EqualsIgnoreCase(extension.c_str(), ".rlp")) return kKindPoint;
    if (EqualsIgnoreCase(extension.c_str(), ".rlt")) return kKindTrack;
    if (EqualsIgnoreCase(extension.c_str(), ".rlr")) return kKindRoute;
    return std::nullopt;
}

ConversionState& LoadTextSettings(LibraryCall& call,
                                  const std::string& path,
                                  std::string& definition,
                                  const TextOverrides& overrides,
                                  const std::string& doing) {
    const std::optional<int32_t> recordKind = RecordLineKind(path);
    if (definition.empty()) {
        const std::string beside = DefinitionBeside(path);
        if (FileExists(beside) || (!recordKind && !overrides.DescribesColumns())) definition = beside;
    }
    ConversionState& state =
        definition.empty() ? call.LoadDefaults() : call.LoadDefinitionAlone(definition, doing);
    if (definition.empty() && recordKind) {
        // The handheld's own lines: the record's fields in order, plain
        // decimal degrees and feet.
        state.Layout = kLayoutRecordLine;
        state.Delimited = ',';
        state.FieldCount = 7;
        state.LocFormat = kLocNum;
        state.EleFormat = 0;
        state.DBKind = *recordKind;
    }
    ApplyOverrides(state, overrides);
    return state;
}

void ApplyOverrides(ConversionState& state, const TextOverrides& overrides) {
    if (overrides.layout) state.Layout = *overrides.layout;
    if (overrides.kind) state.DBKind = *overrides.kind;
    if (overrides.elevationFormat) state.EleFormat = *overrides.elevationFormat;
    if (overrides.columns) {
        for (size_t slot = 0; slot < overrides.columns->size(); ++slot)
            state.FieldMap[slot] = (*overrides.columns)[slot];
    }
}

bool TitleIsImportOnly(const std::string& title) {
    static const std::string kMark = "(import only)";
    return title.size() >= kMark.size() &&
           title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

bool IsImportOnly(const ConversionState& state) {
    return state.FormatTitle && TitleIsImportOnly(*state.FormatTitle);
}

}  // namespace vezuved::core
