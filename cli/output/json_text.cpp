#include "output/json_text.h"

#include <cmath>
#include <utility>

#include <nlohmann/json.hpp>

#include "values/numbers.h"

namespace vezuved_cli {

void JsonWriter::NewLine() {
    text_ += '\n';
    text_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty()) return;
    if (!empty_.back()) text_ += ',';
    empty_.back() = false;
    NewLine();
}

void JsonWriter::Begin(char bracket) {
    BeforeValue();
    text_ += bracket;
    empty_.push_back(true);
}

void JsonWriter::End(char bracket) {
    const bool empty = empty_.back();
    empty_.pop_back();
    if (!empty) NewLine();
    text_ += bracket;
}

void JsonWriter::Key(std::string_view name) {
    String(name);
    text_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
    BeforeValue();
    text_ += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void JsonWriter::Number(double value) { RawNumber(std::isfinite(value) ? FormatShortest(value) : "null"); }

void JsonWriter::RawNumber(std::string_view text) {
    BeforeValue();
    text_ += text;
}

std::string JsonWriter::Finish() { return std::move(text_) + '\n'; }

}  // namespace vezuved_cli
