#include "conversion/text_layout.h"

#include <memory>
#include <optional>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"

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
    layout.eleFormat =
        static_cast<uint16_t>(options.elevationFormat.value_or(facts.elevation_metres != 0 ? 1 : 0));
    layout.title = facts.title != nullptr ? facts.title : "";
    return layout;
}

bool IsImportOnly(const std::string& title) {
    static const std::string kMark = "(import only)";
    return title.size() >= kMark.size() &&
           title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

}  // namespace vezuved_cli
