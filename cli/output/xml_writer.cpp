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

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") {}

void XmlWriter::Indent() { out_.append(open_.size() * 2, ' '); }

void XmlWriter::Open(std::string_view name, const Attributes& attributes) {
    Indent();
    out_ += '<';
    out_ += name;
    for (const auto& [key, value] : attributes) {
        out_ += ' ' + key + "=\"" + EscapeXml(value) + '"';
    }
    out_ += ">\n";
    open_.emplace_back(name);
}

void XmlWriter::Close() {
    if (open_.empty()) return;
    const std::string name = std::move(open_.back());
    open_.pop_back();
    Indent();
    out_ += "</" + name + ">\n";
}

void XmlWriter::Element(std::string_view name, std::string_view text) {
    Indent();
    out_ += '<';
    out_ += name;
    out_ += '>';
    out_ += EscapeXml(text);
    out_ += "</";
    out_ += name;
    out_ += ">\n";
}

std::string XmlWriter::Finish() {
    while (!open_.empty()) Close();
    return out_;
}

}  // namespace vezuved_cli
