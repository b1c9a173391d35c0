#include "api/tool_api.h"

#include <cerrno>
#include <cstring>

#include "api/export_call.h"
#include "convert/coordinates.h"
#include "convert/time_text.h"
#include "formats/format_file.h"
#include "platform/library_lock.h"
#include "platform/replacing_file.h"
#include "pointdb/point_database_reader.h"
#include "pointdb/write_point_database.h"
#include "record/columns.h"
#include "state/conversion_state.h"
#include "text/delimited_text.h"

namespace vezuved::tool {

// The tool's names are the library's codes.
template <typename A, typename B>
constexpr bool Same(A a, B b) {
    return static_cast<int64_t>(a) == static_cast<int64_t>(b);
}
static_assert(Same(kLayoutRecordLine, vezuved::kLayoutRecordLine) &&
                  Same(kLayoutComma, vezuved::kLayoutComma) && Same(kLayoutTab, vezuved::kLayoutTab) &&
                  Same(kLayoutGarmin, vezuved::kLayoutGarmin) && Same(kLayoutPlain, vezuved::kLayoutPlain) &&
                  Same(kLayoutFixed, vezuved::kLayoutFixed) && Same(kLayoutPcx5, vezuved::kLayoutPcx5) &&
                  Same(kLayoutSurvey, vezuved::kLayoutSurvey),
              "layout codes");
static_assert(Same(kKindPoint, vezuved::kKindPoint) && Same(kKindTrack, vezuved::kKindTrack) &&
                  Same(kKindRoute, vezuved::kKindRoute) && Same(kKindDatum, vezuved::kKindDatum) &&
                  Same(kKindTrackOld, vezuved::kKindTrackOld) && Same(kKindRouteOld, vezuved::kKindRouteOld),
              "kind codes");
static_assert(Same(kSlotLatitude, vezuved::kSlotLatitude) && Same(kSlotLongitude, vezuved::kSlotLongitude) &&
                  Same(kSlotElevation, vezuved::kSlotElevation) && Same(kSlotTime, vezuved::kSlotTime) &&
                  Same(kSlotName, vezuved::kSlotName) && Same(kSlotIcon, vezuved::kSlotIcon) &&
                  Same(kSlotDesc, vezuved::kSlotDesc) && Same(kSlotDate, vezuved::kSlotDate),
              "column slots");
static_assert(Same(kLocNum, vezuved::kLocNum) && Same(kLocDeg, vezuved::kLocDeg) &&
                  Same(kLocComp, vezuved::kLocComp) && Same(kLocDegNoSpace, vezuved::kLocDegNoSpace),
              "coordinate styles");
static_assert(Same(kKeySource, vezuved::kKeySource) && Same(kKeyFieldCount, vezuved::kKeyFieldCount) &&
                  Same(kKeyDelimited, vezuved::kKeyDelimited) && Same(kKeyLatitude, vezuved::kKeyLatitude) &&
                  Same(kKeyLongitude, vezuved::kKeyLongitude) &&
                  Same(kKeyElevation, vezuved::kKeyElevation) && Same(kKeyTime, vezuved::kKeyTime) &&
                  Same(kKeyName, vezuved::kKeyName) && Same(kKeyIcon, vezuved::kKeyIcon) &&
                  Same(kKeyDesc, vezuved::kKeyDesc) && Same(kKeyLocFormat, vezuved::kKeyLocFormat) &&
                  Same(kKeyDBType, vezuved::kKeyDBType) && Same(kKeyPalmDBType, vezuved::kKeyPalmDBType) &&
                  Same(kKeyEleFormat, vezuved::kKeyEleFormat) &&
                  Same(kKeyDefaultIcon, vezuved::kKeyDefaultIcon) &&
                  Same(kKeyHeaderLines, vezuved::kKeyHeaderLines) &&
                  Same(kKeyFieldLen, vezuved::kKeyFieldLen) && Same(kKeyDate, vezuved::kKeyDate) &&
                  Same(kKeyHeader, vezuved::kKeyHeader) && Same(kKeyFormatTitle, vezuved::kKeyFormatTitle) &&
                  Same(kKeyExt, vezuved::kKeyExt),
              "keywords");
static_assert(Same(kFieldLabelCount, vezuved::kFieldLabelCount) &&
                  Same(kRecordSeparators, vezuved::kRecordSeparators) && kSlotCount <= kFieldMapSize,
              "capacities");

namespace {

// The state reset however the reading ends, as a conversion leaves it.
struct ResetAfter {
    ~ResetAfter() {
        ResetConversionState(State());
        FreeFormatStrings(State());
    }
};

// The tool's paths are UTF-8: the host's state reads them so while the
// tool's call lasts, and is the host's again after it.
class ToolPaths {
public:
    ToolPaths() : kept_(State().Paths) { State().Paths = PathEncoding::Utf8; }
    ~ToolPaths() { State().Paths = kept_; }
    ToolPaths(const ToolPaths&) = delete;
    ToolPaths& operator=(const ToolPaths&) = delete;

private:
    PathEncoding kept_;
};

}  // namespace

DefinitionFacts ReadDefinition(const DefinitionRequest& request) {
    LibraryLock lock;
    if (request.fromDefaults) State() = ConversionState();
    ResetConversionState(State());
    FreeFormatStrings(State());  // a header or title left by an earlier call is not this definition's
    ResetAfter reset;
    ToolPaths paths;
    DefinitionFacts facts;
    errno = 0;
    facts.read = LoadFormatFileAt(State(), request.path.c_str(), nullptr) == 0;
    if (!facts.read && errno != 0) facts.failure = PlatformErrorText(errno);
    ConversionState& state = State();
    if (request.layout && *request.layout >= 0) state.Layout = static_cast<uint16_t>(*request.layout);
    for (size_t i = 0; i < request.columns.size() && i < state.FieldMap.size(); ++i) {
        state.FieldMap[i] = request.columns[i];
    }
    if (request.elevationFormat) state.EleFormat = static_cast<uint16_t>(*request.elevationFormat);
    if (request.kind) {
        // The in-memory reader stores the kind as given, the older codes
        // read as track and route, without the older layout's placeholder.
        const int32_t asked = *request.kind;
        state.DBKind = asked == vezuved::kKindTrackOld   ? int32_t{vezuved::kKindTrack}
                       : asked == vezuved::kKindRouteOld ? int32_t{vezuved::kKindRoute}
                                                         : asked;
    }
    facts.layout = state.Layout;
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

int32_t VisitTextRecords(const TextVisit& visit,
                         const std::function<void(RLPointRecord&, int64_t)>& onRecord) {
    LibraryLock lock;
    TextRequest request;
    request.source = visit.text;
    request.format = visit.definition;
    // A negative code is "not given", as at the exports.
    if (visit.kind.value_or(-1) >= 0) request.kind = *visit.kind;
    if (visit.layout.value_or(-1) >= 0) request.layout = static_cast<uint16_t>(*visit.layout);
    if (visit.elevationFormat.value_or(-1) >= 0)
        request.elevationFormat = static_cast<uint16_t>(*visit.elevationFormat);
    if (!visit.columns.empty()) {
        ColumnMap columns;
        columns.fill(-1);
        for (size_t i = 0; i < columns.size() && i < visit.columns.size(); ++i) columns[i] = visit.columns[i];
        request.columns = columns;
    }
    ToolPaths paths;
    return VisitDelimitedText(State(), request, onRecord);
}

int32_t ReadDatabaseInfo(
    const std::string& path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count) {
    const ExportCall call;
    if (!PathsFit({path.c_str()})) return -1;
    ToolPaths paths;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return GetPointDatabaseInfo(State(), path.c_str(), kind, source, version, count);
    });
}

int32_t ReadDatabase(const std::string& path, void** records, int32_t* kind) {
    const ExportCall call;
    if (!PathsFit({path.c_str()})) return -1;
    ToolPaths paths;
    return RunDriver(
        -1, OnLibraryError::Fail, [&] { return DoReadPointDatabase(State(), path.c_str(), records, kind); });
}

int32_t WriteDatabase(const std::string& path, void* records, int32_t count, int32_t kind) {
    const ExportCall call;
    if (!PathsFit({path.c_str()})) return -1;
    ToolPaths paths;
    return RunDriver(-1, OnLibraryError::Fail, [&] {
        return WritePointDatabase(State(), path.c_str(), records, count, kind);
    });
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

std::string ColumnOfLine(const std::string& line, int column, int separator) {
    LibraryLock lock;
    std::vector<char> text(line.size() + 1, '\0');
    GetColumn(line.c_str(), text.data(), column, line.size(), separator);
    return text.data();
}

}  // namespace vezuved::tool
