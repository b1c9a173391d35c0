#include "conversion/text_layout.h"

#include "api/tool_api.h"
#include "base/ascii.h"

using namespace vezuved;

namespace vezuved_cli {
namespace tool = vezuved::tool;

TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options) {
    tool::DefinitionRequest request;
    request.path = definition;
    request.layout = options.layout;
    if (options.columns) request.columns.assign(options.columns->begin(), options.columns->end());
    request.elevationFormat = options.elevationFormat;
    request.kind = options.kind;
    const tool::DefinitionFacts facts = tool::ReadDefinition(request);
    TextLayout layout;
    layout.code = facts.layout;
    layout.delimiter = facts.layout == tool::kLayoutTab ? '\t' : facts.delimiter;
    layout.columns = facts.columns;
    layout.fieldWidths = facts.fieldWidths;
    layout.headerLines = facts.headerLines;
    layout.locFormat = static_cast<uint16_t>(facts.locFormat);
    layout.eleFormat = static_cast<uint16_t>(facts.eleFormat);
    layout.kind = facts.kind;
    layout.placeholder = facts.placeholder;
    layout.header = facts.header.value_or("");
    layout.title = facts.title.value_or("");
    return layout;
}

bool HasHeaderLine(const TextLayout& layout) {
    return !layout.header.empty() && layout.code != tool::kLayoutGarmin &&
           layout.code != tool::kLayoutPlain && layout.code != tool::kLayoutSurvey;
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
    return title.size() >= kMark.size() &&
           title.compare(title.size() - kMark.size(), kMark.size(), kMark) == 0;
}

}  // namespace vezuved_cli
