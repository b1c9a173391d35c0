// A small XML writer: well-formed by construction (every element it opens
// is closed in order) and escaping every text and attribute value. It
// writes straight into a sink.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/text_sink.h"

namespace vezuved_cli {

// UTF-8 text made safe for XML content and attribute values: the five
// markup characters as entities, TAB, LF and CR as character references,
// and the other control characters, which XML 1.0 cannot carry at all,
// as U+FFFD.
std::string EscapeXml(std::string_view text);

class XmlWriter {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    // Starts with the XML declaration unless told not to (an HTML page).
    explicit XmlWriter(TextSink& sink, bool declaration = true);

    void Open(std::string_view name, const Attributes& attributes = {});
    void Close();
    // <name>text</name> on one line.
    void Element(std::string_view name, std::string_view text);
    void Element(std::string_view name, const Attributes& attributes, std::string_view text);
    // <name attributes/>
    void Empty(std::string_view name, const Attributes& attributes);
    // A line of text inside the open element, indented like a child.
    void Line(std::string_view text);

    // Closes every open element; the document is complete.
    void Finish();

private:
    void Indent();
    void StartTag(std::string_view name, const Attributes& attributes);

    TextSink& sink_;
    std::vector<std::string> open_;
};

// Runs write on a writer into a string; the finished document.
template <typename Write>
std::string XmlText(Write write) {
    std::string text;
    TextSink sink(text);
    XmlWriter xml(sink);
    write(xml);
    xml.Finish();
    return text;
}

}  // namespace vezuved_cli
