#include "conversion/text_layout.h"

#include "base/ascii.h"
#include "formats/format_file.h"
#include "state/conversion_state.h"

namespace vezuved_cli {

TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options) {
    ResetConversionState();
    FreeFormatStrings();  // a header or title left by an earlier call is not this definition's
    LoadFormatFileAt(definition.c_str(), nullptr);
    ConversionState& state = State();
    if (options.layout && *options.layout >= 0) state.Source = static_cast<uint16_t>(*options.layout);
    if (options.columns) {
        for (size_t i = 0; i < options.columns->size(); ++i) state.FieldMap[i] = (*options.columns)[i];
    }
    if (options.elevationFormat) state.EleFormat = static_cast<uint16_t>(*options.elevationFormat);
    TextLayout layout;
    layout.source = state.Source;
    layout.delimiter = state.Source == kModeTab ? '\t' : state.Delimited;
    for (size_t i = 0; i < layout.columns.size(); ++i) layout.columns[i] = state.FieldMap[i];
    layout.fieldWidths = state.FieldLen;
    layout.headerLines = state.HeaderLines;
    layout.locFormat = state.LocFormat;
    layout.eleFormat = state.EleFormat;
    layout.kind = state.DBKind;
    if (options.kind) {
        // The in-memory reader stores the kind as given, 65 and 66 read as
        // track and route, without the older layout's placeholder.
        const int32_t asked = *options.kind;
        state.DBKind = asked == kKindTrackOld ? int32_t{kKindTrack} : asked == kKindRouteOld ? int32_t{kKindRoute} : asked;
        layout.kind = state.DBKind;
    }
    layout.placeholder = HasPlaceholderRecord(state);
    layout.header = state.Header.value_or("");
    layout.title = state.FormatTitle.value_or("");
    ResetConversionState();
    FreeFormatStrings();
    return layout;
}

bool HasHeaderLine(const TextLayout& layout) {
    return !layout.header.empty() && layout.source != kModeGarmin && layout.source != kModePlain &&
           layout.source != kModeSurvey;
}

std::string ExpandHeaderTemplate(const std::string& text, uint32_t count, const std::string& title) {
    constexpr size_t kTokenReach = 29;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t close = text[i] == '[' ? text.find(']', i + 1) : std::string::npos;
        if (close == std::string::npos || close - i - 1 > kTokenReach) {
            out += text[i];
            continue;
        }
        const std::string token = AsciiLowered(text.substr(i + 1, close - i - 1));
        if (token == "numrecords") out += std::to_string(count);
        if (token == "title") out += title;
        i = close;
    }
    return out;
}

bool IsImportOnly(const std::string& title) {
    static const std::string kMark = "(import only)";
    return title.size() >= kMark.size() && title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

}  // namespace vezuved_cli
