#include "api/tool_api.h"

#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/time_text.h"
#include "formats/definition_line_effect.h"
#include "formats/format_file.h"
#include "platform/library_lock.h"
#include "record/columns.h"
#include "state/conversion_state.h"
#include "text/delimited_text.h"

namespace vezuved::tool {

// The tool's names are the library's codes.
template <typename A, typename B>
constexpr bool Same(A a, B b) {
    return static_cast<int64_t>(a) == static_cast<int64_t>(b);
}
static_assert(Same(kLayoutRecordLine, ::kModeRecordLine) && Same(kLayoutComma, ::kModeComma) && Same(kLayoutTab, ::kModeTab) &&
                  Same(kLayoutGarmin, ::kModeGarmin) && Same(kLayoutPlain, ::kModePlain) && Same(kLayoutFixed, ::kModeFixed) &&
                  Same(kLayoutPcx5, ::kModePcx5) && Same(kLayoutSurvey, ::kModeSurvey),
              "layout codes");
static_assert(Same(kKindPoint, ::kKindPoint) && Same(kKindTrack, ::kKindTrack) && Same(kKindRoute, ::kKindRoute) &&
                  Same(kKindDatum, ::kKindDatum) && Same(kKindTrackOld, ::kKindTrackOld) && Same(kKindRouteOld, ::kKindRouteOld),
              "kind codes");
static_assert(Same(kSlotLatitude, ::kSlotLatitude) && Same(kSlotLongitude, ::kSlotLongitude) &&
                  Same(kSlotElevation, ::kSlotElevation) && Same(kSlotTime, ::kSlotTime) && Same(kSlotName, ::kSlotName) &&
                  Same(kSlotIcon, ::kSlotIcon) && Same(kSlotDesc, ::kSlotDesc) && Same(kSlotDate, ::kSlotDate),
              "column slots");
static_assert(Same(kLocNum, ::kLocNum) && Same(kLocDeg, ::kLocDeg) && Same(kLocComp, ::kLocComp) &&
                  Same(kLocDegNoSpace, ::kLocDegNoSpace),
              "coordinate styles");
static_assert(Same(kKeySource, ::kKeySource) && Same(kKeyFieldCount, ::kKeyFieldCount) && Same(kKeyDelimited, ::kKeyDelimited) &&
                  Same(kKeyLatitude, ::kKeyLatitude) && Same(kKeyLongitude, ::kKeyLongitude) &&
                  Same(kKeyElevation, ::kKeyElevation) && Same(kKeyTime, ::kKeyTime) && Same(kKeyName, ::kKeyName) &&
                  Same(kKeyIcon, ::kKeyIcon) && Same(kKeyDesc, ::kKeyDesc) && Same(kKeyLocFormat, ::kKeyLocFormat) &&
                  Same(kKeyDBType, ::kKeyDBType) && Same(kKeyPalmDBType, ::kKeyPalmDBType) &&
                  Same(kKeyEleFormat, ::kKeyEleFormat) && Same(kKeyDefaultIcon, ::kKeyDefaultIcon) &&
                  Same(kKeyHeaderLines, ::kKeyHeaderLines) && Same(kKeyFieldLen, ::kKeyFieldLen) && Same(kKeyDate, ::kKeyDate) &&
                  Same(kKeyHeader, ::kKeyHeader) && Same(kKeyFormatTitle, ::kKeyFormatTitle) && Same(kKeyExt, ::kKeyExt),
              "keywords");
static_assert(Same(kFieldLabelCount, ::kFieldLabelCount) && Same(kDefinitionLineMax, ::kFormatLineMax) &&
                  Same(kExtMax, ::kExtMax) && Same(kDefaultIconMax, ::kDefaultIconMax) &&
                  Same(kRecordSeparators, ::kRecordSeparators) && kSlotCount <= kFieldMapSize,
              "capacities");

namespace {

// The state reset however the reading ends, as a conversion leaves it.
struct ResetAfter {
    ~ResetAfter() {
        ResetConversionState();
        FreeFormatStrings();
    }
};

}  // namespace

DefinitionFacts ReadDefinition(const DefinitionRequest& request) {
    LibraryLock lock;
    if (request.fromDefaults) State() = ConversionState();
    ResetConversionState();
    FreeFormatStrings();  // a header or title left by an earlier call is not this definition's
    ResetAfter reset;
    DefinitionFacts facts;
    facts.read = LoadFormatFileAt(request.path.c_str(), nullptr) == 0;
    ConversionState& state = State();
    if (request.layout && *request.layout >= 0) state.Source = static_cast<uint16_t>(*request.layout);
    for (size_t i = 0; i < request.columns.size() && i < state.FieldMap.size(); ++i) {
        state.FieldMap[i] = request.columns[i];
    }
    if (request.elevationFormat) state.EleFormat = static_cast<uint16_t>(*request.elevationFormat);
    if (request.kind) {
        // The in-memory reader stores the kind as given, the older codes
        // read as track and route, without the older layout's placeholder.
        const int32_t asked = *request.kind;
        state.DBKind = asked == ::kKindTrackOld ? int32_t{::kKindTrack}
                       : asked == ::kKindRouteOld ? int32_t{::kKindRoute}
                                                  : asked;
    }
    facts.layout = state.Source;
    facts.delimiter = state.Delimited;
    for (size_t i = 0; i < facts.columns.size(); ++i) facts.columns[i] = state.FieldMap[i];
    facts.fieldCount = state.FieldCount;
    facts.fieldWidths = state.FieldLen;
    facts.headerLines = state.HeaderLines;
    facts.locFormat = state.LocFormat;
    facts.eleFormat = state.EleFormat;
    facts.kind = state.DBKind;
    facts.olderLayout = state.RecordVersion == 2;
    facts.placeholder = HasPlaceholderRecord(state);
    facts.header = state.Header;
    facts.title = state.FormatTitle;
    facts.extension = state.Ext;
    facts.defaultIcon = state.DefaultIcon;
    facts.labels = state.FieldLabel;
    return facts;
}

LineEffect ExplainDefinitionLine(const std::string& line) {
    LibraryLock lock;
    const DefinitionLineEffect applied = ApplyDefinitionLineAlone(line);
    LineEffect effect;
    effect.keyword = applied.keyword;
    effect.keywordName = KeywordName(applied.keyword);
    effect.hasValue = applied.hasValue;
    effect.value = applied.value;
    effect.changed = applied.changed;
    return effect;
}

std::string KeywordName(int keyword) {
    const char* name = FormatKeywordName(keyword);
    return name != nullptr ? name : "";
}

int32_t VisitTextRecords(const TextVisit& visit, const std::function<void(RLPointRecord&, int64_t)>& onRecord) {
    LibraryLock lock;
    const auto code = [](const std::optional<int>& value) { return static_cast<int16_t>(value.value_or(-1)); };
    return VisitDelimitedText(visit.text.c_str(), visit.definition.c_str(), code(visit.kind), code(visit.layout),
                              code(visit.elevationFormat), visit.columns.empty() ? nullptr : visit.columns.data(),
                              onRecord);
}

double ReadLatitude(const std::string& text, int style) {
    LibraryLock lock;
    return ParseLatitudeText(text.c_str(), static_cast<uint16_t>(style));
}

double ReadLongitude(const std::string& text, int style) {
    LibraryLock lock;
    return ParseLongitudeText(text.c_str(), static_cast<uint16_t>(style));
}

std::string NormalizedTime(const std::string& text) {
    LibraryLock lock;
    char field[32] = {};  // the time column's width
    std::strncpy(field, text.c_str(), sizeof field - 1);
    NormalizeTimeText(field, sizeof field);
    return field;
}

LeadingInteger ReadLeadingInteger(const std::string& text) {
    LibraryLock lock;
    const char* end = nullptr;
    LeadingInteger read;
    read.value = ReadInteger(text.c_str(), &end);
    read.length = end != nullptr ? static_cast<size_t>(end - text.c_str()) : 0;
    return read;
}

std::string ColumnOfLine(const std::string& line, int column, int separator) {
    LibraryLock lock;
    std::vector<char> text(line.size() + 1, '\0');
    GetColumn(line.c_str(), text.data(), column, line.size(), separator);
    return text.data();
}

}  // namespace vezuved::tool
