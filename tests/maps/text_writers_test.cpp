// Escaping for XML and JSON, and the JSON writer's commas, nesting and
// closings, checked on their own.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "maps/json_writer.h"
#include "maps/xml_writer.h"

namespace vezuved::maps {
namespace {

using TextCase = std::pair<std::string, std::string>;  // input, expected

TEST(TextWriters, EscapeXmlAndQuoteJson) {
    const TextCase xml[] = {
        {"<a & b>", "&lt;a &amp; b&gt;"},
        {"say \"hi\" 'x'", "say &quot;hi&quot; &apos;x&apos;"},
        {std::string("a\tb\nc\rd\x01", 8), "a&#9;b&#10;c&#13;d\xEF\xBF\xBD"},
    };
    for (const auto& c : xml) EXPECT_EQ(EscapeXml(c.first), c.second) << c.first;
    const TextCase json[] = {
        {"say \"hi\" C:\\x \xE2\x82\xAC", "\"say \\\"hi\\\" C:\\\\x \xE2\x82\xAC\""},
        {"a\nb\tc\x1f", "\"a\\u000ab\\u0009c\\u001f\""},
    };
    for (const auto& c : json) EXPECT_EQ(QuoteJson(c.first), c.second) << c.first;
}

// The XML writer is pinned by the map writers' documents.
TEST(TextWriters, JsonWriterPlacesCommasNestingAndClosings) {
    const auto write = [](JsonWriter& json) {
        json.BeginObject();
        json.Key("a");
        json.Number(1.5);
        json.Key("list");
        json.BeginArray();
        json.String("x");
        json.Null();
        json.BeginArray();
        json.EndArray();
        json.BeginInlineArray();
        json.RawNumber("1.50");
        json.Number(2);
        json.EndArray();
        json.EndArray();
        json.Key("bad");
        json.Number(1.0 / 0.0);
        json.Key("open");
        json.BeginArray();  // closed by Finish
    };
    EXPECT_EQ(JsonText(write),
              "{\n  \"a\": 1.5,\n  \"list\": [\n    \"x\",\n    null,\n    [],\n    [1.50, 2]\n  ],\n"
              "  \"bad\": null,\n  \"open\": []\n}\n");
    EXPECT_EQ(JsonText(write, true),
              "{\"a\":1.5,\"list\":[\"x\",null,[],[1.50,2]],\"bad\":null,\"open\":[]}\n");
}

}  // namespace
}  // namespace vezuved::maps
