// One definition line: the key = value split, the keyword table and what
// each keyword does to the conversion state.
#include <cstring>

#include "base/ascii.h"
#include "convert/number_text.h"
#include "formats/format_file.h"
#include "state/conversion_state.h"

namespace vezuved {

namespace {

constexpr const char* kKeywords[kFormatKeywordCount] = {
    "Source",     "FieldCount",  "Delimited",   "latitude",    "longitude", "elevation",
    "time",       "name",        "icon",        "desc",        "LocFormat", "DBType",
    "PalmDBType", "EleFormat",   "DefaultIcon", "HeaderLines", "FieldLen",  "date",
    "Header",     "FormatTitle", "Ext",         "//",          "#",
};

constexpr char kFieldPrefix[] = "Field";
constexpr size_t kFieldPrefixLength = sizeof(kFieldPrefix) - 1;

void SetColumn(ConversionState& s, int slot, const char* value) {
    // Column numbers are stored unchecked; -1 says the text has no such column.
    s.FieldMap[slot] = static_cast<int16_t>(ReadInteger(value));
}

void ApplySource(ConversionState& s, const char* value) {
    if (EqualsIgnoreCase(value, "PCX5")) {
        s.Layout = kLayoutPcx5;
    } else if (EqualsIgnoreCase(value, "Garmin")) {
        s.Layout = kLayoutGarmin;
    } else if (EqualsIgnoreCase(value, "Tab")) {
        s.Layout = kLayoutTab;
        s.Delimited = '\t';
    } else if (EqualsIgnoreCase(value, "FIXED")) {
        s.Layout = kLayoutFixed;
    }
}

void ApplyDelimited(ConversionState& s, const char* value) {
    if (value[0] == '\\') {
        if (value[1] == 't') {
            s.Layout = kLayoutTab;
            s.Delimited = '\t';
        }
        return;
    }
    // An empty value names no character, so it leaves the delimiter alone
    // rather than making it NUL.
    if (value[0] == '\0') return;
    s.Delimited = value[0];
    if (value[0] == ',') s.Layout = kLayoutComma;
}

void ApplyIcon(ConversionState& s, const char* value) {
    if (std::strchr(value, ':') != nullptr) {
        AssignCut(s.DefaultIcon, value, kDefaultIconMax);
        s.FieldMap[kSlotIcon] = -1;
    } else {
        SetColumn(s, kSlotIcon, value);
    }
}

void ApplyLocFormat(ConversionState& s, const char* value) {
    uint16_t& style = s.LocFormat;
    if (StartsWithIgnoreCase(value, "Comp")) {
        style = 2;
    } else if (StartsWithIgnoreCase(value, "Num")) {
        style = 0;
    } else if (StartsWithIgnoreCase(value, "DegNoSpace")) {
        style = 3;
    } else if (StartsWithIgnoreCase(value, "Deg")) {
        style = 1;
    }
}

void ApplyDBType(ConversionState& s, const char* value) {
    if (StartsWithIgnoreCase(value, "Point")) {
        s.DBKind = kKindPoint;
    } else if (StartsWithIgnoreCase(value, "Route2")) {
        s.DBKind = kKindRoute;
        s.RecordVersion = 2;
    } else if (StartsWithIgnoreCase(value, "Track2")) {
        s.DBKind = kKindTrack;
        s.RecordVersion = 2;
    } else if (StartsWithIgnoreCase(value, "Route")) {
        s.DBKind = kKindRoute;
    } else if (StartsWithIgnoreCase(value, "Track")) {
        s.DBKind = kKindTrack;
    } else if (StartsWithIgnoreCase(value, "Datum")) {
        s.DBKind = kKindDatum;
    }
}

void ApplyEleFormat(ConversionState& s, const char* value) {
    const char unit = AsciiLower(value[0]);
    if (unit == 'f' || unit == '\0') {
        s.EleFormat = 0;
    } else if (unit == 'm') {
        s.EleFormat = 1;
    }
}

void ApplyExt(ConversionState& s, const char* value) {
    std::string& ext = s.Ext;
    if (value[0] == '.') {
        AssignCut(ext, value, kExtMax);
    } else {
        // Longer extensions are cut so that the dot and kExtMax - 1 characters fit.
        ext.assign(1, '.');
        ext.append(value, strnlen(value, kExtMax - 1));
    }
}

// A key that is no keyword but "Field" followed by a column number 0..31
// labels that column. No digits after "Field" reads as column 0.
void StoreFieldLabel(ConversionState& s, const char* key, const char* value) {
    if (!StartsWithIgnoreCase(key, kFieldPrefix)) return;
    const int32_t column = ReadInteger(key + kFieldPrefixLength);
    if (column < 0 || column >= kFieldLabelCount) return;
    s.FieldLabel[static_cast<size_t>(column)] = std::string(value);
}

}  // namespace

const char* FormatKeywordName(int index) {
    if (index < 0 || index >= kFormatKeywordCount) return nullptr;
    return kKeywords[index];
}

int FindFormatKeyword(const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < kFormatKeywordCount; ++i) {
        if (EqualsIgnoreCase(name, kKeywords[i])) return i;
    }
    return -1;
}

int ParseFormatLine(ConversionState& state, const char* line, const char** valueStart) {
    if (valueStart != nullptr) *valueStart = nullptr;
    if (line == nullptr) return -1;
    while (*line == ' ') ++line;

    // The key, spaces dropped; the '=' must come before any ';' and within
    // kFormatKeyReach characters, so the key never exceeds that many.
    char key[kFormatKeyReach + 1];
    size_t keyLength = 0;
    size_t offset = 0;
    for (;; ++offset) {
        if (offset >= kFormatKeyReach) return -1;
        const char c = line[offset];
        if (c == '\0' || c == ';') return -1;
        if (c == '=') break;
        if (c != ' ') key[keyLength++] = c;
    }
    key[keyLength] = '\0';
    if (keyLength == 0) return -1;

    const char* value = line + offset + 1;
    while (*value == ' ') ++value;
    if (valueStart != nullptr) *valueStart = value;

    const int index = FindFormatKeyword(key);
    if (index < 0) StoreFieldLabel(state, key, value);
    return index;
}

void ApplyFormatKeyword(ConversionState& s, int index, const char* value) {
    if (value == nullptr) value = "";
    switch (index) {
        case kKeySource:
            ApplySource(s, value);
            break;
        case kKeyFieldCount:
            s.FieldCount = ReadInteger(value);
            break;
        case kKeyDelimited:
            ApplyDelimited(s, value);
            break;
        case kKeyLatitude:
            SetColumn(s, kSlotLatitude, value);
            break;
        case kKeyLongitude:
            SetColumn(s, kSlotLongitude, value);
            break;
        case kKeyElevation:
            SetColumn(s, kSlotElevation, value);
            break;
        case kKeyTime:
            SetColumn(s, kSlotTime, value);
            break;
        case kKeyName:
            SetColumn(s, kSlotName, value);
            break;
        case kKeyIcon:
            ApplyIcon(s, value);
            break;
        case kKeyDesc:
            SetColumn(s, kSlotDesc, value);
            break;
        case kKeyLocFormat:
            ApplyLocFormat(s, value);
            break;
        case kKeyDBType:
        case kKeyPalmDBType:
            ApplyDBType(s, value);
            break;
        case kKeyEleFormat:
            ApplyEleFormat(s, value);
            break;
        case kKeyDefaultIcon:
            AssignCut(s.DefaultIcon, value, kDefaultIconMax);
            break;
        case kKeyHeaderLines:
            s.HeaderLines = ReadInteger(value);
            break;
        case kKeyFieldLen:
            AssignCut(s.FieldLen, value, kFieldLenMax);
            break;
        case kKeyDate:
            SetColumn(s, kSlotDate, value);
            break;
        case kKeyHeader:
            s.Header = std::string(value);
            break;
        case kKeyFormatTitle:
            s.FormatTitle = std::string(value);
            break;
        case kKeyExt:
            ApplyExt(s, value);
            break;
        default:
            break;  // "//", "#" and unknown indexes change nothing
    }
}

}  // namespace vezuved
