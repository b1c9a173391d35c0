// The record that steers a conversion: the active text layout, the database
// kind, facts of the last header read and the previous point of the record
// builder. Drivers are handed one and reset most of it at their start; the
// host interface keeps one from call to call (State()), so what the reset
// leaves alone carries over there on purpose (a Garmin export's date style
// stays for later exports).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/time_parts.h"
#include "platform/path_encoding.h"

namespace vezuved {

constexpr int kFieldMapSize = 32;
constexpr int kFieldLabelCount = 32;

// FieldMap slots.
enum FieldSlot : int {
    kSlotLatitude = 0,
    kSlotLongitude = 1,
    kSlotElevation = 2,
    kSlotTime = 3,
    kSlotName = 4,
    kSlotIcon = 5,
    kSlotDesc = 6,
    kSlotDate = 7,
};

// Layout codes (the "Source" keyword of a definition): the text layouts,
// plus 0 for the line of a point database record.
enum LayoutCode : int {
    kLayoutRecordLine = 0,
    kLayoutComma = 1,
    kLayoutTab = 2,
    kLayoutGarmin = 3,
    kLayoutPlain = 4,
    kLayoutFixed = 5,
    kLayoutPcx5 = 6,
    kLayoutSurvey = 7,
};

// DBKind values.
enum DatabaseKind : int32_t {
    kKindPoint = 0,
    kKindTrack = 1,
    kKindRoute = 2,
    kKindLog = 3,
    kKindRlVM = 4,
    kKindRlVD = 5,
    kKindDatum = 6,
    kKindSurvey = 7,
    // Codes a caller gives for a track or route in the older layout.
    kKindTrackOld = 'A',
    kKindRouteOld = 'B',
    kKindUnknown = 65535,
};

// Capacities of the fixed texts, terminator excluded.
constexpr size_t kExtMax = 35;
constexpr size_t kFieldLenMax = 255;
constexpr size_t kTitleMax = 79;
constexpr size_t kDefaultIconMax = 79;

// Where the record builder's next leg starts: the previous point of the
// track or route being written, and whether legs still carry their time.
struct PreviousPoint {
    uint32_t FirstPoint = 1;
    int32_t PrevLatitude = 0;
    int32_t PrevLongitude = 0;
    TimeParts PrevTime{};
};

// Plain values that can be copied, so a call made from inside another one
// (from a host callback) can start from the outer call's settings. The
// outputs being written are the writers' own (pointdb/database_output.h).
// Field names: a field set by a ".cal" keyword bears that keyword's name
// (Delimited, FieldCount, FieldLen, Ext, LocFormat, EleFormat, DefaultIcon,
// HeaderLines, Header, FormatTitle, DBType as DBKind, Source as Layout);
// the others name what they hold, in the same PascalCase.
struct ConversionState {
    uint16_t Layout = kLayoutComma;  // set by the keyword "Source"
    char Delimited = ',';
    uint16_t RecordVersion = 3;
    uint32_t DBVersion = 1;
    int32_t FieldCount = 7;
    std::array<int16_t, kFieldMapSize> FieldMap{};
    char DateSeparator = '-';
    PreviousPoint Previous;
    std::string Ext;       // at most kExtMax characters, with its leading '.'
    std::string FieldLen;  // at most kFieldLenMax characters
    std::string Title;     // at most kTitleMax characters
    std::array<std::optional<std::string>, kFieldLabelCount> FieldLabel;
    uint16_t TimeStyle = 0;
    uint16_t DateStyle = 0;
    uint16_t EleFormat = 0;
    uint16_t LocFormat = 0;
    int32_t HeaderLines = 0;
    std::string DefaultIcon;  // at most kDefaultIconMax characters
    uint32_t NumRecords = 0;
    int32_t DBKind = kKindPoint;
    std::optional<std::string> Header;
    std::optional<std::string> FormatTitle;
    std::optional<std::string> FoundValue;
    uint32_t DateFirst = 0;
    uint32_t DateOrder = 0;
    // How the paths handed with this state are spelt: the host's exports
    // pass the ANSI code page, the core UTF-8 (it sets this on its own
    // state). Kept by the reset, which only clears what a definition sets.
    PathEncoding Paths = PathEncoding::Ansi;

    ConversionState();
};

// The column map the reset copies into FieldMap.
extern const std::array<int16_t, kFieldMapSize> kDefaultFieldMap;

// The host interface's instance, alive from load to unload: what one export
// leaves for the next. Only the exports' face reads it; every layer below
// is handed the state it works on.
ConversionState& State();

// The reset every driver starts with; what it leaves alone carries over.
int32_t ResetConversionState(ConversionState& state);
void ResetRunningTotals(ConversionState& state);
void SetDatabaseKind(ConversionState& state, int32_t code);
void FreeFormatStrings(ConversionState& state);

// Whether the track or route being converted has the older layout's
// placeholder record 0.
inline bool HasPlaceholderRecord(const ConversionState& state) {
    return state.RecordVersion == 2 && (state.DBKind == kKindTrack || state.DBKind == kKindRoute);
}

// Assigns text to a fixed-capacity field of the state, cut to its capacity.
void AssignCut(std::string& field, const char* text, size_t capacity);

}  // namespace vezuved
