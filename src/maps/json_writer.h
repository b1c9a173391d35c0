// A small JSON writer: commas, nesting and string escaping are its job, so
// callers cannot produce malformed output. It writes straight into a sink.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maps/document_sink.h"

namespace vezuved::maps {

// UTF-8 text as a JSON string literal, quotes included: '"' and '\' are
// escaped, every control character becomes \u00XX.
std::string QuoteJson(std::string_view text);

class JsonWriter {
public:
    // compact: no line breaks or indentation between values.
    explicit JsonWriter(DocumentSink& sink, bool compact = false) : sink_(sink), compact_(compact) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    // An array kept on one line, for short ones such as a position.
    void BeginInlineArray();
    void EndArray();
    // Inside an object: the next value's name.
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(double value);  // non-finite values are written as null
    // A number already formatted by the caller ("45.3311000"), written as it is.
    void RawNumber(std::string_view text);
    void Null();

    // Closes whatever is still open and ends the document with a line end.
    void Finish();

private:
    struct Level {
        bool isObject;
        bool empty;
        bool inlined;
    };
    void BeforeValue();
    void NewLine();
    void WriteQuoted(std::string_view text);
    void End(char bracket);

    DocumentSink& sink_;
    bool compact_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

// Runs write on a writer into a string; the finished document.
template <typename Write>
std::string JsonText(Write write, bool compact = false) {
    std::string text;
    DocumentSink sink(text);
    JsonWriter json(sink, compact);
    write(json);
    json.Finish();
    return text;
}

}  // namespace vezuved::maps
