#include "maps/json_writer.h"

#include <algorithm>
#include <cmath>

#include "sets/number_text.h"

namespace vezuved::maps {

namespace {

// The text between the quotes; plain text, which most is, in one piece.
template <typename Out>
void Escape(std::string_view text, Out&& out) {
    static constexpr char kHex[] = "0123456789abcdef";
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b != '"' && b != '\\') continue;
        out(text.substr(start, i - start));
        const char escaped[] = {'\\', 'u', '0', '0', kHex[b >> 4], kHex[b & 0xF]};
        if (b < 0x20) {
            out(std::string_view(escaped, sizeof escaped));
        } else {
            out(std::string_view(escaped, 1));
            out(text.substr(i, 1));
        }
        start = i + 1;
    }
    out(text.substr(start));
}

}  // namespace

std::string QuoteJson(std::string_view text) {
    std::string out = "\"";
    Escape(text, [&out](std::string_view piece) { out += piece; });
    return out + "\"";
}

void JsonWriter::WriteQuoted(std::string_view text) {
    sink_.Write('"');
    Escape(text, [this](std::string_view piece) { sink_.Write(piece); });
    sink_.Write('"');
}

void JsonWriter::NewLine() {
    if (compact_) return;
    static constexpr char kSpaces[] = "\n                                                                ";
    size_t width = 2 * levels_.size() + 1;
    for (const char* piece = kSpaces; width > 0; piece = kSpaces + 1) {
        const size_t length = std::min(width, sizeof kSpaces - 1 - (piece - kSpaces));
        sink_.Write(std::string_view(piece, length));
        width -= length;
    }
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
    WriteQuoted(name);
    sink_.Write(compact_ ? ":" : ": ");
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    WriteQuoted(text);
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

}  // namespace vezuved::maps
