// A small JSON writer: commas, nesting and string escaping are its job, so
// callers cannot produce malformed output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vezuved_cli {

// UTF-8 text as a JSON string literal, quotes included: '"' and '\' are
// escaped, every control character becomes \u00XX.
std::string QuoteJson(std::string_view text);

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Inside an object: the next value's name.
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(double value);  // non-finite values are written as null
    void Null();

    // The text written so far followed by a line end; the caller closes
    // everything it opened.
    std::string Finish() const { return out_ + "\n"; }

private:
    struct Level {
        bool isObject;
        bool empty;
    };
    void BeforeValue();
    void NewLine();
    void End(char bracket);

    std::string out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

}  // namespace vezuved_cli
