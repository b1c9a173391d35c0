#include "maps/xml_writer.h"

#include <algorithm>

namespace vezuved::maps {

namespace {

// What a character becomes; null for one written as it is.
const char* Replacement(char c) {
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '"':
            return "&quot;";
        case '\'':
            return "&apos;";
        case '\t':
            return "&#9;";
        case '\n':
            return "&#10;";
        case '\r':
            return "&#13;";
        default:
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? "\xEF\xBF\xBD" : nullptr;
    }
}

// Which bytes Replacement changes, looked up rather than tested: a
// document is mostly plain text.
struct PlainBytes {
    bool plain[256];
    PlainBytes() {
        for (int c = 0; c < 256; ++c) plain[c] = Replacement(static_cast<char>(c)) == nullptr;
    }
};

// Plain text, which most is, goes out in one piece.
template <typename Out>
void Escape(std::string_view text, Out&& out) {
    static const PlainBytes kPlain;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (kPlain.plain[static_cast<unsigned char>(text[i])]) continue;
        const char* replacement = Replacement(text[i]);
        out(text.substr(start, i - start));
        out(std::string_view(replacement));
        start = i + 1;
    }
    out(text.substr(start));
}

}  // namespace

std::string EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    Escape(text, [&out](std::string_view piece) { out += piece; });
    return out;
}

XmlWriter::XmlWriter(DocumentSink& sink, bool declaration) : sink_(sink) {
    if (declaration) sink_.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

void XmlWriter::Indent() {
    static constexpr char kSpaces[] = "                                                                ";
    size_t width = 2 * open_.size();
    while (width > 0) {
        const size_t piece = std::min(width, sizeof kSpaces - 1);
        sink_.Write(std::string_view(kSpaces, piece));
        width -= piece;
    }
}

void XmlWriter::WriteEscaped(std::string_view text) {
    Escape(text, [this](std::string_view piece) { sink_.Write(piece); });
}

void XmlWriter::StartTag(std::string_view name, Attributes attributes) {
    Indent();
    sink_.Write('<');
    sink_.Write(name);
    for (const auto& [key, value] : attributes) {
        sink_.Write(' ');
        sink_.Write(key);
        sink_.Write("=\"");
        WriteEscaped(value);
        sink_.Write('"');
    }
}

void XmlWriter::Open(std::string_view name, Attributes attributes) {
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

void XmlWriter::Element(std::string_view name, Attributes attributes, std::string_view text) {
    StartTag(name, attributes);
    sink_.Write('>');
    WriteEscaped(text);
    sink_.Write("</");
    sink_.Write(name);
    sink_.Write(">\n");
}

void XmlWriter::Empty(std::string_view name, Attributes attributes) {
    StartTag(name, attributes);
    sink_.Write("/>\n");
}

void XmlWriter::Line(std::string_view text) {
    Indent();
    WriteEscaped(text);
    sink_.Write('\n');
}

void XmlWriter::Raw(std::string_view xml) {
    Indent();
    sink_.Write(xml);
    sink_.Write('\n');
}

void XmlWriter::Finish() {
    while (!open_.empty()) Close();
}

}  // namespace vezuved::maps
