#include "formats/definition_line_effect.h"

#include <climits>
#include <cstdint>

#include "formats/format_file.h"
#include "state/conversion_state.h"

namespace vezuved {
namespace {

// Every setting a definition line can write, with a value no line writes
// and its comparison. A keyword that comes to write another setting of the
// state adds its row here, beside the reader that writes it.
struct Setting {
    const char* name;
    void (*poison)(ConversionState&);
    bool (*same)(const ConversionState&, const ConversionState&);
};

using S = ConversionState;
const Setting kSettings[] = {
    {"Source", [](S& s) { s.Layout = 0xFFFF; }, [](const S& a, const S& b) { return a.Layout == b.Layout; }},
    {"Delimited",
     [](S& s) { s.Delimited = '\0'; },
     [](const S& a, const S& b) { return a.Delimited == b.Delimited; }},
    {"RecordVersion",
     [](S& s) { s.RecordVersion = 0xFFFF; },
     [](const S& a, const S& b) { return a.RecordVersion == b.RecordVersion; }},
    {"FieldCount",
     [](S& s) { s.FieldCount = INT32_MIN; },
     [](const S& a, const S& b) { return a.FieldCount == b.FieldCount; }},
    {"FieldMap",
     [](S& s) { s.FieldMap.fill(INT16_MIN); },
     [](const S& a, const S& b) { return a.FieldMap == b.FieldMap; }},
    {"EleFormat",
     [](S& s) { s.EleFormat = 0xFFFF; },
     [](const S& a, const S& b) { return a.EleFormat == b.EleFormat; }},
    {"LocFormat",
     [](S& s) { s.LocFormat = 0xFFFF; },
     [](const S& a, const S& b) { return a.LocFormat == b.LocFormat; }},
    {"HeaderLines",
     [](S& s) { s.HeaderLines = INT32_MIN; },
     [](const S& a, const S& b) { return a.HeaderLines == b.HeaderLines; }},
    {"DefaultIcon",
     [](S& s) { s.DefaultIcon = "\x01"; },
     [](const S& a, const S& b) { return a.DefaultIcon == b.DefaultIcon; }},
    {"FieldLen",
     [](S& s) { s.FieldLen = "\x01"; },
     [](const S& a, const S& b) { return a.FieldLen == b.FieldLen; }},
    {"Ext", [](S& s) { s.Ext = "\x01"; }, [](const S& a, const S& b) { return a.Ext == b.Ext; }},
    {"Header", [](S& s) { s.Header.reset(); }, [](const S& a, const S& b) { return a.Header == b.Header; }},
    {"FormatTitle",
     [](S& s) { s.FormatTitle.reset(); },
     [](const S& a, const S& b) { return a.FormatTitle == b.FormatTitle; }},
    {"DBKind",
     [](S& s) { s.DBKind = INT32_MIN; },
     [](const S& a, const S& b) { return a.DBKind == b.DBKind; }},
    {"FieldLabel",
     [](S& s) {
         for (auto& label : s.FieldLabel) label = std::string("\x01");
     },
     [](const S& a, const S& b) { return a.FieldLabel == b.FieldLabel; }},
};

}  // namespace

DefinitionLineEffect ApplyDefinitionLineAlone(const std::string& line) {
    DefinitionLineEffect effect;
    ConversionState poisoned;
    for (const Setting& setting : kSettings) setting.poison(poisoned);
    // The line is applied to a state of its own, so nothing else sees it.
    ConversionState state = poisoned;
    const char* value = nullptr;
    effect.keyword = ParseFormatLine(state, line.c_str(), &value);
    if (value != nullptr) {
        effect.hasValue = true;
        effect.value = value;
    }
    if (effect.keyword >= 0) ApplyFormatKeyword(state, effect.keyword, value);
    for (const Setting& setting : kSettings) {
        if (!setting.same(state, poisoned)) effect.changed.push_back(setting.name);
    }
    return effect;
}

}  // namespace vezuved
