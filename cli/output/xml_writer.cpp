#include "output/xml_writer.h"

namespace vezuved_cli {

std::string EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

XmlWriter::XmlWriter(TextSink& sink, bool declaration) : sink_(sink) {
    if (declaration) sink_.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

void XmlWriter::Indent() {
    for (size_t i = 0; i < open_.size(); ++i) sink_.Write("  ");
}

void XmlWriter::StartTag(std::string_view name, const Attributes& attributes) {
    Indent();
    sink_.Write('<');
    sink_.Write(name);
    for (const auto& [key, value] : attributes) {
        sink_.Write(' ');
        sink_.Write(key);
        sink_.Write("=\"");
        sink_.Write(EscapeXml(value));
        sink_.Write('"');
    }
}

void XmlWriter::Open(std::string_view name, const Attributes& attributes) {
    StartTag(name, attributes);
    sink_.Write(">\n");
    open_.emplace_back(name);
}

void XmlWriter::Close() {
    if (open_.empty()) return;
    const std::string name = std::move(open_.back());
    open_.pop_back();
    Indent();
    sink_.Write("</");
    sink_.Write(name);
    sink_.Write(">\n");
}

void XmlWriter::Element(std::string_view name, std::string_view text) { Element(name, {}, text); }

void XmlWriter::Element(std::string_view name, const Attributes& attributes, std::string_view text) {
    StartTag(name, attributes);
    sink_.Write('>');
    sink_.Write(EscapeXml(text));
    sink_.Write("</");
    sink_.Write(name);
    sink_.Write(">\n");
}

void XmlWriter::Empty(std::string_view name, const Attributes& attributes) {
    StartTag(name, attributes);
    sink_.Write("/>\n");
}

void XmlWriter::Line(std::string_view text) {
    Indent();
    sink_.Write(EscapeXml(text));
    sink_.Write('\n');
}

void XmlWriter::Finish() {
    while (!open_.empty()) Close();
}

}  // namespace vezuved_cli
