// A small XML writer: well-formed by construction (every element it opens
// is closed in order) and escaping every text and attribute value. It
// writes straight into a sink.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "maps/document_sink.h"
#include "maps/xml_escape.h"

namespace vezuved::maps {

using XmlAttribute = std::pair<std::string_view, std::string_view>;

// A braced list of name and value pairs, or a vector of them: the texts are
// only viewed, so they must outlive the call.
class XmlAttributes {
public:
    XmlAttributes() = default;
    XmlAttributes(std::initializer_list<XmlAttribute> list) : list_(list) {}
    XmlAttributes(const std::vector<XmlAttribute>& list) : vector_(&list) {}
    const XmlAttribute* begin() const { return vector_ ? vector_->data() : list_.begin(); }
    const XmlAttribute* end() const { return vector_ ? vector_->data() + vector_->size() : list_.end(); }

private:
    std::initializer_list<XmlAttribute> list_;
    const std::vector<XmlAttribute>* vector_ = nullptr;
};

class XmlWriter {
public:
    using Attribute = XmlAttribute;
    using Attributes = XmlAttributes;

    // Starts with the XML declaration unless told not to (an HTML page).
    explicit XmlWriter(DocumentSink& sink, bool declaration = true);

    void Open(std::string_view name, Attributes attributes = {});
    void Close();
    // <name>text</name> on one line.
    void Element(std::string_view name, std::string_view text);
    void Element(std::string_view name, Attributes attributes, std::string_view text);
    // <name attributes/>
    void Empty(std::string_view name, Attributes attributes);
    // A line of text inside the open element, indented like a child.
    void Line(std::string_view text);
    // Elements already written as XML (an extension kept as read), on a
    // line like a child: the caller answers for their being well-formed.
    void Raw(std::string_view xml);

    // Closes every open element; the document is complete.
    void Finish();

private:
    void Indent();
    void WriteEscaped(std::string_view text);
    void StartTag(std::string_view name, Attributes attributes);

    DocumentSink& sink_;
    std::vector<std::string> open_;
};

// Runs write on a writer into a string; the finished document.
template <typename Write>
std::string XmlText(Write write) {
    std::string text;
    DocumentSink sink(text);
    XmlWriter xml(sink);
    write(xml);
    xml.Finish();
    return text;
}

}  // namespace vezuved::maps
