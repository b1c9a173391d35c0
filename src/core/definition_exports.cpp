// The core's C functions over format definitions. As the collection's,
// each catches every failure and keeps its sentence in the handle.
#include <new>
#include <string>

#include "convert/number_text.h"
#include "core/core_failure.h"
#include "core/definition_explain.h"
#include "core/definition_facts.h"
#include "formats/format_file.h"
#include "vezuved/vezuved_core.h"

using namespace vezuved;
using namespace vezuved::core;

namespace {

template <typename Work>
int32_t RunOn(vezuved_definition* definition, Work work) noexcept {
    if (definition == nullptr) return VEZUVED_ERROR_ARGUMENT;
    return AnswerKeepingSentence(definition->error, [&] {
        work();
        return VEZUVED_OK;
    });
}

const char* TextOrNull(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

}  // namespace

extern "C" {

VEZUVED_CORE_API vezuved_definition* VEZUVED_CORE_CALL vezuved_definition_new(void) {
    return new (std::nothrow) vezuved_definition();
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_definition_free(vezuved_definition* definition) {
    delete definition;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_read(vezuved_definition* definition,
                                                                   const char* path) {
    return RunOn(definition, [&] {
        if (path == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no path was given to read");
        // Nothing of an earlier definition stays when this one fails.
        definition->read = false;
        definition->facts = DefinitionFacts();
        definition->explanation = DefinitionExplanation();
        definition->cells.clear();
        definition->facts = ReadDefinitionFacts(path);
        definition->read = true;
    });
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL
vezuved_definition_error_message(const vezuved_definition* definition) {
    return definition != nullptr ? definition->error.c_str() : "no definition was given";
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_get_facts(const vezuved_definition* definition,
                                                                        vezuved_definition_facts* facts) {
    if (definition == nullptr || facts == nullptr || !definition->read) return VEZUVED_ERROR_ARGUMENT;
    const DefinitionFacts& held = definition->facts;
    *facts = vezuved_definition_facts{};
    facts->layout = held.layout;
    for (size_t i = 0; i < held.columns.size(); ++i) facts->columns[i] = held.columns[i];
    facts->field_count = held.fieldCount;
    facts->header_lines = held.headerLines;
    facts->location_format = held.locationFormat;
    facts->elevation_metres = held.elevationMetres ? 1 : 0;
    facts->kind = held.kind;
    facts->older_layout = held.olderLayout ? 1 : 0;
    facts->placeholder = held.placeholder ? 1 : 0;
    facts->delimiter = held.delimiter.c_str();
    facts->field_widths = held.fieldWidths.c_str();
    facts->header = TextOrNull(held.header);
    facts->title = TextOrNull(held.title);
    facts->extension = held.extension.c_str();
    facts->default_icon = held.defaultIcon.c_str();
    return VEZUVED_OK;
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_definition_label(const vezuved_definition* definition,
                                                                        int32_t column) {
    if (definition == nullptr || column < 0 || column >= VEZUVED_DEFINITION_LABELS) return nullptr;
    return TextOrNull(definition->facts.labels[static_cast<size_t>(column)]);
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL
vezuved_definition_line_count(const vezuved_definition* definition) {
    return definition != nullptr ? static_cast<int32_t>(definition->facts.lines.size()) : -1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_get_line(const vezuved_definition* definition,
                                                                       int32_t index,
                                                                       vezuved_definition_line* line) {
    if (definition == nullptr || line == nullptr || index < 0 ||
        static_cast<size_t>(index) >= definition->facts.lines.size()) {
        return VEZUVED_ERROR_ARGUMENT;
    }
    const DefinitionLineFacts& held = definition->facts.lines[static_cast<size_t>(index)];
    *line = vezuved_definition_line{};
    line->number = held.number;
    line->keyword = held.keyword;
    line->has_value = held.hasValue ? 1 : 0;
    line->changed_count = static_cast<int32_t>(held.changedTexts.size());
    line->text = held.text.c_str();
    line->value = held.value.c_str();
    line->changed = held.changedTexts.data();
    return VEZUVED_OK;
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_definition_keyword_name(int32_t keyword) {
    return keyword >= VEZUVED_KEY_SOURCE && keyword <= VEZUVED_KEY_EXT ? FormatKeywordName(keyword) : nullptr;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_definition_integer(const char* text, int32_t* value) {
    int32_t read = 0;
    const char* end = text;
    if (text != nullptr) read = ReadInteger(text, &end);
    if (value != nullptr) *value = read;
    return end != nullptr && text != nullptr ? static_cast<int32_t>(end - text) : 0;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL
vezuved_definition_explain(vezuved_definition* definition, vezuved_definition_explanation* explanation) {
    if (definition == nullptr || explanation == nullptr || !definition->read) return VEZUVED_ERROR_ARGUMENT;
    return RunOn(definition, [&] {
        definition->explanation = ExplainDefinition(definition->facts);
        const auto& table = definition->explanation.columns;
        definition->cells.clear();
        for (const auto& row : table) {
            for (const std::string& cell : row) definition->cells.push_back(cell.c_str());
        }
        *explanation = vezuved_definition_explanation{};
        explanation->summary = definition->explanation.summary.c_str();
        explanation->warnings = definition->explanation.warnings.c_str();
        explanation->rows = static_cast<int32_t>(table.size());
        explanation->columns = table.empty() ? 0 : static_cast<int32_t>(table[0].size());
        explanation->cells = definition->cells.data();
    });
}

}  // extern "C"
