#include "conversion/text_layout.h"

#include <memory>
#include <optional>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"
#include "values/ascii_text.h"
#include "values/encoding.h"

namespace vezuved_cli {
namespace {

using DefinitionHandle = std::unique_ptr<vezuved_definition, decltype(&vezuved_definition_free)>;

// The definition at path read into a new handle, its facts into facts;
// false, the cause kept in the handle, when it cannot be read.
bool ReadFacts(const std::string& path, DefinitionHandle& read, vezuved_definition_facts& facts) {
    read.reset(vezuved_definition_new());
    if (!read) FailConversion("memory ran out");
    return vezuved_definition_read(read.get(), path.c_str()) == VEZUVED_OK &&
           vezuved_definition_get_facts(read.get(), &facts) == VEZUVED_OK;
}

}  // namespace

std::optional<DefinitionSummary> SummarizeDefinition(const std::string& path) {
    DefinitionHandle read(nullptr, &vezuved_definition_free);
    vezuved_definition_facts facts{};
    if (!ReadFacts(path, read, facts)) return std::nullopt;
    DefinitionSummary summary;
    summary.title = facts.title != nullptr ? facts.title : "";
    // A bare dot is the library's for an "Ext =" with no value.
    summary.extension = facts.extension;
    if (summary.extension == ".") summary.extension.clear();
    summary.layout = facts.layout;
    summary.delimiter = facts.delimiter;
    summary.kind = facts.kind;
    return summary;
}

TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options) {
    // The library's path buffers hold 1023 characters: a longer path would
    // be read as no definition at all.
    if (definition.size() >= VEZUVED_PATH_BUFFER) {
        FailConversion("cannot read the format definition '" + definition +
                       "': its path is longer than 1023 characters");
    }
    DefinitionHandle read(nullptr, &vezuved_definition_free);
    vezuved_definition_facts facts{};
    if (!ReadFacts(definition, read, facts)) FailConversion(vezuved_definition_error_message(read.get()));
    // The command line's choices over the definition's.
    TextLayout layout;
    layout.code = options.layout.value_or(static_cast<int16_t>(facts.layout));
    layout.eleFormat =
        static_cast<uint16_t>(options.elevationFormat.value_or(facts.elevation_metres != 0 ? 1 : 0));
    layout.kind = options.kind.value_or(static_cast<int16_t>(facts.kind));
    layout.header = facts.header != nullptr ? DefinitionBytesOf(facts.header) : "";
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
