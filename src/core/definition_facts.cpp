#include "core/definition_facts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "base/file_handle.h"
#include "convert/coordinates.h"
#include "core/core_failure.h"
#include "core/definition_lines.h"
#include "core/library_call.h"
#include "formats/definition_line_effect.h"
#include "formats/format_file.h"
#include "platform/replacing_file.h"
#include "sets/encoding.h"

namespace vezuved::core {
namespace {

// The public names are the library's codes.
static_assert(VEZUVED_LAYOUT_RECORD_LINE == kLayoutRecordLine && VEZUVED_LAYOUT_DELIMITED == kLayoutComma &&
                  VEZUVED_LAYOUT_TAB == kLayoutTab && VEZUVED_LAYOUT_GARMIN == kLayoutGarmin &&
                  VEZUVED_LAYOUT_PLAIN == kLayoutPlain && VEZUVED_LAYOUT_FIXED == kLayoutFixed &&
                  VEZUVED_LAYOUT_PCX5 == kLayoutPcx5 && VEZUVED_LAYOUT_SURVEY == kLayoutSurvey,
              "layouts");
static_assert(VEZUVED_COLUMN_LATITUDE == kSlotLatitude && VEZUVED_COLUMN_LONGITUDE == kSlotLongitude &&
                  VEZUVED_COLUMN_ELEVATION == kSlotElevation && VEZUVED_COLUMN_TIME == kSlotTime &&
                  VEZUVED_COLUMN_NAME == kSlotName && VEZUVED_COLUMN_ICON == kSlotIcon &&
                  VEZUVED_COLUMN_DESCRIPTION == kSlotDesc && VEZUVED_COLUMN_DATE == kSlotDate &&
                  VEZUVED_COLUMN_COUNT <= kFieldMapSize,
              "columns");
static_assert(VEZUVED_LOCATION_DECIMAL == kLocNum && VEZUVED_LOCATION_DEGREES == kLocDeg &&
                  VEZUVED_LOCATION_COMPACT == kLocComp && VEZUVED_LOCATION_DEGREES_NO_SPACE == kLocDegNoSpace,
              "coordinate styles");
static_assert(VEZUVED_DEFINITION_DATUM == kKindDatum && VEZUVED_SET_TRACK == kKindTrack &&
                  VEZUVED_SET_ROUTE == kKindRoute && VEZUVED_SET_WAYPOINTS == kKindPoint,
              "kinds");
static_assert(VEZUVED_KEY_SOURCE == kKeySource && VEZUVED_KEY_FIELD_COUNT == kKeyFieldCount &&
                  VEZUVED_KEY_DELIMITED == kKeyDelimited && VEZUVED_KEY_LATITUDE == kKeyLatitude &&
                  VEZUVED_KEY_LONGITUDE == kKeyLongitude && VEZUVED_KEY_ELEVATION == kKeyElevation &&
                  VEZUVED_KEY_TIME == kKeyTime && VEZUVED_KEY_NAME == kKeyName &&
                  VEZUVED_KEY_ICON == kKeyIcon && VEZUVED_KEY_DESC == kKeyDesc &&
                  VEZUVED_KEY_LOC_FORMAT == kKeyLocFormat && VEZUVED_KEY_DB_TYPE == kKeyDBType &&
                  VEZUVED_KEY_PALM_DB_TYPE == kKeyPalmDBType && VEZUVED_KEY_ELE_FORMAT == kKeyEleFormat &&
                  VEZUVED_KEY_DEFAULT_ICON == kKeyDefaultIcon &&
                  VEZUVED_KEY_HEADER_LINES == kKeyHeaderLines && VEZUVED_KEY_FIELD_LEN == kKeyFieldLen &&
                  VEZUVED_KEY_DATE == kKeyDate && VEZUVED_KEY_HEADER == kKeyHeader &&
                  VEZUVED_KEY_FORMAT_TITLE == kKeyFormatTitle && VEZUVED_KEY_EXT == kKeyExt,
              "keywords");
static_assert(VEZUVED_DEFINITION_LABELS == kFieldLabelCount &&
                  VEZUVED_DEFINITION_LINE_MAX == kFormatLineMax &&
                  VEZUVED_DEFINITION_ICON_MAX == kDefaultIconMax && VEZUVED_DEFINITION_EXT_MAX == kExtMax,
              "capacities");

// A definition is a few hundred bytes; a file far beyond that is none, and
// is refused before it is held.
constexpr long kMostDefinitionBytes = 16L * 1024 * 1024;

std::string Cannot(const std::string& path, const std::string& cause) {
    return "cannot read the format definition '" + path + "': " + cause;
}

std::string ReadWhole(const std::string& path) {
    errno = 0;
    FileHandle in = OpenFile(path.c_str(), "rb", PathEncoding::Utf8);
    if (!in) FailCore(VEZUVED_ERROR_OPEN, Cannot(path, PlatformErrorText(errno)));
    std::string bytes;
    char buffer[16 * 1024];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > static_cast<size_t>(kMostDefinitionBytes)) {
            FailCore(VEZUVED_ERROR_OPEN, Cannot(path, "it is larger than 16 MiB"));
        }
    }
    if (std::ferror(in.get())) FailCore(VEZUVED_ERROR_OPEN, Cannot(path, PlatformErrorText(errno)));
    return bytes;
}

std::string Utf8(const std::string& text) { return maps::DefinitionTextOf(text); }

std::optional<std::string> Utf8(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return Utf8(*text);
}

}  // namespace

DefinitionFacts ReadDefinitionFacts(const std::string& path) {
    if (path.size() > kFormatPathMax) {
        FailCore(VEZUVED_ERROR_OPEN,
                 Cannot(path, "its path is longer than " + std::to_string(kFormatPathMax) + " characters"));
    }
    const std::string text = ReadWhole(path);
    DefinitionFacts facts;
    LibraryCall call;
    for (DefinitionLine& line : CutDefinitionLines(text, kFormatLineMax)) {
        const DefinitionLineEffect effect = ApplyDefinitionLineAlone(line.text);
        DefinitionLineFacts told;
        told.number = line.number;
        // The comment keywords are no setting: a comment is a line of none.
        told.keyword = effect.keyword <= kKeyExt ? effect.keyword : -1;
        told.hasValue = effect.hasValue;
        told.text = Utf8(line.text);
        told.value = Utf8(effect.value);
        told.changed = effect.changed;
        facts.lines.push_back(std::move(told));
    }
    for (DefinitionLineFacts& line : facts.lines) {
        for (const std::string& name : line.changed) line.changedTexts.push_back(name.c_str());
    }
    const ConversionState& state = call.LoadDefinitionAlone(path, "cannot read '" + path + "'");
    facts.layout = state.Layout;
    std::copy_n(state.FieldMap.begin(), facts.columns.size(), facts.columns.begin());
    facts.fieldCount = state.FieldCount;
    facts.headerLines = state.HeaderLines;
    facts.locationFormat = state.LocFormat;
    facts.elevationMetres = state.EleFormat == 1;
    facts.kind = state.DBKind;
    facts.olderLayout = state.RecordVersion == 2;
    facts.placeholder = HasPlaceholderRecord(state);
    facts.delimiter = Utf8(std::string(1, state.Delimited));
    facts.fieldWidths = Utf8(state.FieldLen);
    facts.header = Utf8(state.Header);
    facts.title = Utf8(state.FormatTitle);
    facts.extension = Utf8(state.Ext);
    facts.defaultIcon = Utf8(state.DefaultIcon);
    for (size_t i = 0; i < facts.labels.size(); ++i) facts.labels[i] = Utf8(state.FieldLabel[i]);
    return facts;
}

}  // namespace vezuved::core
