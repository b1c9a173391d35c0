#include "conversion/text_layout.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "api/tool_api.h"
#include "base/ascii.h"
#include "files/failure.h"
#include "files/tool_platform.h"

using namespace vezuved;

namespace vezuved_cli {
namespace tool = vezuved::tool;

namespace {

// Why a definition cannot be read, asked before the library reads it: the
// library would say only "No Cal File" and carry on with its defaults,
// reading the columns wrong. Empty when it can be read.
std::string DefinitionFailure(const std::string& path) {
    if (path.size() >= VEZUVED_PATH_BUFFER) return "its path is longer than 1023 characters";
    std::FILE* file = OpenToolFile(path, "r");
    if (file == nullptr) return std::strerror(errno);
    std::fclose(file);
    return "";
}

}  // namespace

TextLayout LoadTextLayout(const std::string& definition, const TextOptions& options) {
    tool::DefinitionRequest request;
    request.path = definition;
    request.layout = options.layout;
    if (options.columns) request.columns.assign(options.columns->begin(), options.columns->end());
    request.elevationFormat = options.elevationFormat;
    request.kind = options.kind;
    std::string failure = DefinitionFailure(definition);
    const tool::DefinitionFacts facts =
        failure.empty() ? tool::ReadDefinition(request) : tool::DefinitionFacts();
    if (failure.empty() && !facts.read)
        failure = facts.failure.empty() ? "it cannot be opened" : facts.failure;
    if (!failure.empty())
        FailConversion("cannot read the format definition '" + definition + "': " + failure);
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
