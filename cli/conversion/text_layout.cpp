#include "conversion/text_layout.h"

#include <memory>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"
#include "values/ascii_text.h"

namespace vezuved_cli {

TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options) {
    // The library's path buffers hold 1023 characters: a longer path would
    // be read as no definition at all.
    if (definition.size() >= VEZUVED_PATH_BUFFER) {
        FailConversion("cannot read the format definition '" + definition +
                       "': its path is longer than 1023 characters");
    }
    const std::unique_ptr<vezuved_definition, decltype(&vezuved_definition_free)> read(
        vezuved_definition_new(), &vezuved_definition_free);
    if (!read) FailConversion("memory ran out");
    vezuved_definition_facts facts{};
    if (vezuved_definition_read(read.get(), definition.c_str()) != VEZUVED_OK ||
        vezuved_definition_get_facts(read.get(), &facts) != VEZUVED_OK) {
        FailConversion(vezuved_definition_error_message(read.get()));
    }
    // The command line's choices over the definition's.
    TextLayout layout;
    layout.code = options.layout.value_or(static_cast<int16_t>(facts.layout));
    layout.eleFormat =
        static_cast<uint16_t>(options.elevationFormat.value_or(facts.elevation_metres != 0 ? 1 : 0));
    layout.kind = options.kind.value_or(static_cast<int16_t>(facts.kind));
    layout.header = facts.header != nullptr ? facts.header : "";
    layout.title = facts.title != nullptr ? facts.title : "";
    return layout;
}

bool HasHeaderLine(const TextLayout& layout) {
    return !layout.header.empty() && layout.code != VEZUVED_LAYOUT_GARMIN &&
           layout.code != VEZUVED_LAYOUT_PLAIN && layout.code != VEZUVED_LAYOUT_SURVEY;
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
        const std::string token = LoweredAscii(text.substr(i + 1, close - i - 1));
        if (token == "numrecords") out += std::to_string(count);
        if (token == "title") out += title;
        i = close;
    }
    return out;
}

bool IsImportOnly(const std::string& title) {
    static const std::string kMark = "(import only)";
    return title.size() >= kMark.size() &&
           title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

}  // namespace vezuved_cli
