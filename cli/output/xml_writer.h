// A small XML writer: well-formed by construction (every element it opens
// is closed in order) and escaping every text and attribute value.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vezuved_cli {

// UTF-8 text made safe for XML content and attribute values: the five
// markup characters as entities, TAB, LF and CR as character references,
// and the other control characters, which XML 1.0 cannot carry at all,
// as U+FFFD.
std::string EscapeXml(std::string_view text);

class XmlWriter {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    XmlWriter();  // starts with the XML declaration

    void Open(std::string_view name, const Attributes& attributes = {});
    void Close();
    // <name>text</name> on one line.
    void Element(std::string_view name, std::string_view text);

    // The document; every open element is closed first.
    std::string Finish();

private:
    void Indent();

    std::string out_;
    std::vector<std::string> open_;
};

}  // namespace vezuved_cli
