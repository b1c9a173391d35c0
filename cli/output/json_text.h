// The tool's JSON listings (points, figures), indented two spaces a level.
// Commas and nesting are the writer's job, so a listing cannot come out
// malformed; strings are escaped by nlohmann/json.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vezuved_cli {

class JsonWriter {
public:
    void BeginObject() { Begin('{'); }
    void EndObject() { End('}'); }
    void BeginArray() { Begin('['); }
    void EndArray() { End(']'); }
    // Inside an object: the next value's name.
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(double value);  // a value that is not finite is null
    // A number the caller formatted ("45.3311000"), written as it is.
    void RawNumber(std::string_view text);
    void Null() { RawNumber("null"); }
    // A value that may be missing: null when it is.
    void NumberOrNull(const std::optional<double>& value) { value ? Number(*value) : Null(); }
    void StringOrNull(const std::optional<std::string>& text) { text ? String(*text) : Null(); }
    // The listing, its last bracket closed, and a line end.
    std::string Finish();

private:
    void BeforeValue();
    void Begin(char bracket);
    void End(char bracket);
    void NewLine();

    std::string text_;
    std::vector<bool> empty_;  // one a level open: nothing in it yet
    bool afterKey_ = false;
};

// Runs write on a new writer; the finished listing.
template <typename Write>
std::string JsonText(Write write) {
    JsonWriter json;
    write(json);
    return json.Finish();
}

}  // namespace vezuved_cli
