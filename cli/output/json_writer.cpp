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
    if (compact_) return;
    sink_.Write('\n');
    for (size_t i = 0; i < levels_.size(); ++i) sink_.Write("  ");
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    const bool first = level.empty;
    level.empty = false;
    if (level.inlined) {
        if (!first) sink_.Write(compact_ ? "," : ", ");
        return;
    }
    if (!first) sink_.Write(',');
    NewLine();
}

void JsonWriter::BeginObject() {
    BeforeValue();
    sink_.Write('{');
    levels_.push_back({true, true, false});
}

void JsonWriter::BeginArray() {
    BeforeValue();
    sink_.Write('[');
    levels_.push_back({false, true, false});
}

void JsonWriter::BeginInlineArray() {
    BeforeValue();
    sink_.Write('[');
    levels_.push_back({false, true, true});
}

void JsonWriter::End(char bracket) {
    const Level level = levels_.back();
    levels_.pop_back();
    if (!level.empty && !level.inlined) NewLine();
    sink_.Write(bracket);
}

void JsonWriter::EndObject() { End('}'); }
void JsonWriter::EndArray() { End(']'); }

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    sink_.Write(QuoteJson(name));
    sink_.Write(compact_ ? ":" : ": ");
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    sink_.Write(QuoteJson(text));
}

void JsonWriter::Number(double value) {
    BeforeValue();
    sink_.Write(std::isfinite(value) ? FormatShortest(value) : "null");
}

void JsonWriter::RawNumber(std::string_view text) {
    BeforeValue();
    sink_.Write(text);
}

void JsonWriter::Null() {
    BeforeValue();
    sink_.Write("null");
}

void JsonWriter::Finish() {
    while (!levels_.empty()) End(levels_.back().isObject ? '}' : ']');
    sink_.Write('\n');
}

}  // namespace vezuved_cli
