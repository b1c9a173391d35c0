#include "output/json_writer.h"

#include <cmath>

#include "support/values.h"

namespace vezuved_cli {

std::string QuoteJson(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    if (!levels_.back().empty) out_ += ',';
    levels_.back().empty = false;
    NewLine();
}

void JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    levels_.push_back({true, true});
}

void JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    levels_.push_back({false, true});
}

void JsonWriter::End(char bracket) {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) NewLine();
    out_ += bracket;
}

void JsonWriter::EndObject() { End('}'); }
void JsonWriter::EndArray() { End(']'); }

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    out_ += QuoteJson(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    out_ += QuoteJson(text);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    out_ += std::isfinite(value) ? FormatShortest(value) : "null";
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

}  // namespace vezuved_cli
