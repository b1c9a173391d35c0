// The `vezuved` tool's one door into the library. The tool converts
// through the public exports, but it also needs what no export gives: the
// facts of a format definition with what the command line puts over it, a
// text file visited record by record and the library's own readings of a
// coordinate and a time (a definition as a person reads it is the core's,
// vezuved_core.h). They come through
// here and nowhere else, so a driver can change behind this header without
// breaking the tool. Each entry takes the library lock as the exports do
// (the conversion state is process-wide) and returns values of this
// header's own plain types, never buffers or the state itself. Its paths
// are UTF-8, as the tool's command line is on every platform.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vezuved/vezuved.h"

namespace vezuved::tool {

// The text layouts a definition's Source names; 0 is the line of a point
// database record.
enum Layout : int {
    kLayoutRecordLine = 0,
    kLayoutComma = 1,
    kLayoutTab = 2,
    kLayoutGarmin = 3,
    kLayoutPlain = 4,
    kLayoutFixed = 5,
    kLayoutPcx5 = 6,
    kLayoutSurvey = 7,
};

// What a definition's DBType names.
enum Kind : int32_t {
    kKindPoint = 0,
    kKindTrack = 1,
    kKindRoute = 2,
    kKindDatum = 6,
    kKindTrackOld = 'A',  // a track or route in the older layout
    kKindRouteOld = 'B',
};

// The columns a definition maps, in its order.
enum Slot : int {
    kSlotLatitude = 0,
    kSlotLongitude,
    kSlotElevation,
    kSlotTime,
    kSlotName,
    kSlotIcon,
    kSlotDesc,
    kSlotDate,
};
constexpr int kSlotCount = 8;

// How coordinates are written (LocFormat).
enum CoordinateStyle : int { kLocNum = 0, kLocDeg = 1, kLocComp = 2, kLocDegNoSpace = 3 };

// The keywords of a definition, by the index the reader gives them.
enum Keyword : int {
    kKeySource = 0,
    kKeyFieldCount,
    kKeyDelimited,
    kKeyLatitude,
    kKeyLongitude,
    kKeyElevation,
    kKeyTime,
    kKeyName,
    kKeyIcon,
    kKeyDesc,
    kKeyLocFormat,
    kKeyDBType,
    kKeyPalmDBType,
    kKeyEleFormat,
    kKeyDefaultIcon,
    kKeyHeaderLines,
    kKeyFieldLen,
    kKeyDate,
    kKeyHeader,
    kKeyFormatTitle,
    kKeyExt,
};

constexpr int kFieldLabelCount = 32;  // columns that may carry a label
// The separator that splits a record line at ',' and '*' alike.
constexpr int kRecordSeparators = 0;

// A definition to read, with what the command line puts over it.
struct DefinitionRequest {
    std::string path;                    // the definition file itself
    std::optional<int> layout;           // negative: the definition's own
    std::vector<int16_t> columns;        // over the first slots; empty: none
    std::optional<int> elevationFormat;  // 0 feet, 1 metres
    std::optional<int32_t> kind;         // older-layout codes read as track and route
    // Start from the library's defaults rather than from what the last
    // conversion left (as a conversion does).
    bool fromDefaults = false;
};

// What the library makes of a definition.
struct DefinitionFacts {
    bool read = false;    // false: the file could not be read
    std::string failure;  // then why, in the system's words, when it told
    int layout = kLayoutComma;
    char delimiter = ',';  // as written; a tab layout splits at tabs whatever it says
    std::array<int16_t, kSlotCount> columns{};
    int32_t fieldCount = 0;
    std::string fieldWidths;  // "w0,w1,..." of a fixed layout
    int32_t headerLines = 0;
    int locFormat = kLocNum;
    int eleFormat = 0;  // 1: metres
    int32_t kind = kKindPoint;
    bool olderLayout = false;  // record version 2
    bool placeholder = false;  // an older-layout track or route: record 0 stays empty
    std::optional<std::string> header;
    std::optional<std::string> title;
    std::string extension;
    std::string defaultIcon;
    std::array<std::optional<std::string>, kFieldLabelCount> labels;
};

DefinitionFacts ReadDefinition(const DefinitionRequest& request);

// A text file to visit, read as the library's delimited-text reader does.
struct TextVisit {
    std::string text;
    std::string definition;
    std::optional<int> kind;
    std::optional<int> layout;
    std::optional<int> elevationFormat;
    std::vector<int16_t> columns;  // empty: the definition's
};

// Calls onRecord for each record with the slot it fills (the placeholder
// slot too); returns the record count, or -1 when the file cannot be read.
int32_t VisitTextRecords(const TextVisit& visit,
                         const std::function<void(RLPointRecord&, int64_t)>& onRecord);

// RLGetPDBFileInfo, RLDBReadPDB and RLDBWritePDB for the tool's UTF-8 paths: the same
// drivers, conversion state and answers as those exports, whose paths are
// in the ANSI code page on Windows (a name such as "Café Пешком" has no
// spelling there).
int32_t ReadDatabaseInfo(
    const std::string& path, int32_t* kind, int32_t* source, int32_t* version, int32_t* count);
int32_t ReadDatabase(const std::string& path, void** records, int32_t* kind);
int32_t WriteDatabase(const std::string& path, void* records, int32_t count, int32_t kind);

// The library's readings of single values.
double ReadLatitude(const std::string& text, int style);
double ReadLongitude(const std::string& text, int style);
// A time and date text as the time column is read.
std::string NormalizedTime(const std::string& text);
// Column (from 0) of line, cut at separator outside quotes.
std::string ColumnOfLine(const std::string& line, int column, int separator);

}  // namespace vezuved::tool
