// What a definition can change in the conversion state, as one comparable
// value: a case states only the fields it expects to differ from the reset,
// and every other field is checked to stay as it was.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "state/conversion_state.h"

using namespace vezuved;

struct StateSnapshot {
    uint16_t source = 0, recordVersion = 0, locFormat = 0, eleFormat = 0;
    char delimited = 0;
    int32_t fieldCount = 0, dbKind = 0, headerLines = 0;
    std::array<int16_t, 8> map{};
    std::string ext, fieldLen, defaultIcon;
    std::optional<std::string> header, formatTitle, foundValue;
    std::array<std::optional<std::string>, kFieldLabelCount> labels;

    static StateSnapshot Take() {
        const ConversionState& s = State();
        StateSnapshot t{
            s.Layout, s.RecordVersion, s.LocFormat, s.EleFormat, s.Delimited, s.FieldCount, s.DBKind};
        t.headerLines = s.HeaderLines, t.ext = s.Ext, t.fieldLen = s.FieldLen, t.defaultIcon = s.DefaultIcon,
        t.header = s.Header, t.formatTitle = s.FormatTitle, t.foundValue = s.FoundValue,
        t.labels = s.FieldLabel;
        for (size_t i = 0; i < t.map.size(); ++i) t.map[i] = s.FieldMap[i];
        return t;
    }
    bool operator==(const StateSnapshot& o) const {
        return source == o.source && delimited == o.delimited && recordVersion == o.recordVersion &&
               fieldCount == o.fieldCount && map == o.map && locFormat == o.locFormat &&
               eleFormat == o.eleFormat && dbKind == o.dbKind && headerLines == o.headerLines &&
               ext == o.ext && fieldLen == o.fieldLen && defaultIcon == o.defaultIcon && header == o.header &&
               formatTitle == o.formatTitle && foundValue == o.foundValue && labels == o.labels;
    }
};

inline void PrintTo(const StateSnapshot& s, std::ostream* os) {
    auto text = [](const std::optional<std::string>& t) { return t ? '"' + *t + '"' : std::string("null"); };
    *os << "{Source " << s.source << ", Delimited " << int(s.delimited) << ", RecordVersion "
        << s.recordVersion << ", FieldCount " << s.fieldCount << ", map";
    for (int16_t m : s.map) *os << ' ' << m;
    *os << ", LocFormat " << s.locFormat << ", EleFormat " << s.eleFormat << ", DBKind " << s.dbKind
        << ", HeaderLines " << s.headerLines << ", Ext \"" << s.ext << "\", FieldLen \"" << s.fieldLen
        << "\", DefaultIcon \"" << s.defaultIcon << "\", Header " << text(s.header) << ", FormatTitle "
        << text(s.formatTitle) << ", FoundValue " << text(s.foundValue);
    for (size_t i = 0; i < s.labels.size(); ++i)
        if (s.labels[i]) *os << ", Field" << i << ' ' << text(s.labels[i]);
    *os << '}';
}

// Changes the process's current folder for one scope.
struct CurrentFolderScope {
    explicit CurrentFolderScope(const std::string& folder) : saved(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderScope() {
        std::error_code ignored;
        std::filesystem::current_path(saved, ignored);
    }
    std::filesystem::path saved;
};
