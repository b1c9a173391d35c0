// The text layouts, one descriptor each: how a line is read, how a record
// is written, what an export writes before the records and which extension
// it takes. Drivers look the active layout up by its Source value instead
// of asking which layout it is.
#pragma once

#include <cstdint>
#include <string>

#include "layouts/layout_settings.h"
#include "record/point_record.h"
#include "record/text_sink.h"
#include "state/conversion_state.h"

namespace vezuved {

// Date and time conventions a layout imposes on an export.
struct LayoutStyle {
    uint16_t locFormat;
    uint16_t timeStyle;
    uint16_t dateStyle;
    uint32_t dateFirst;
    uint32_t dateOrder;
    char dateSeparator;
};

// Puts the layout's conventions into the state an export writes with.
void ApplyLayoutStyle(ConversionState& state, const LayoutStyle& style);

// What an export's header may quote.
struct ExportHeader {
    const char* templateText;  // the definition's header, or null
    uint32_t numRecords;
    const char* title;
};

struct LayoutDescriptor {
    int layout;  // its code (LayoutCode)
    const char* name;
    // Whether the layout takes the line at all; null: every line.
    bool (*takes)(const char* line);
    // Fills a record, cleared but for its description buffer, from a line
    // the layout takes. 0, or -1 when a description buffer cannot be had.
    int (*read)(const char* line, PointRecord& record, const LayoutSettings& settings);
    // Appends the record's line (no line end, but for the one that ends
    // every Garmin line). Returns 0.
    int (*write)(
        PointRecord& record, const LayoutSettings& settings, int32_t kind, int32_t index, std::string& out);
    // Writes what an export puts before all records.
    void (*header)(TextSink& sink, const ExportHeader& header);
    // Writes what an export puts before each pass over the records; may be null.
    void (*passHeader)(TextSink& sink, int32_t kind);
    // The extension an export takes when the definition names none ("" for none).
    const char* (*extension)(int32_t kind);
    char delimiter;                  // the delimiter the layout imposes, or 0
    bool copiesRecordText;           // an export writes the records' lines unchanged
    bool repeatsRouteAsWaypoints;    // a route export lists its points again as waypoints
    const LayoutStyle* exportStyle;  // conventions an export switches to, or null
};

// The layout of a layout code; a code no layout has reads as delimited
// columns and writes columns without separators, as PCX5 does.
const LayoutDescriptor& LayoutFor(int layoutCode);

// 0 when the record was filled (or, with a null record, when the line would
// be taken); -1 for a line the layout does not take, or when a description
// buffer cannot be allocated.
int ReadLayoutLine(const char* line, PointRecord* record, int layoutCode, const LayoutSettings& settings);

// As ReadLayoutLine into a record already clear (zeroed, or cleared with its
// description kept and emptied), which is then not cleared again.
int ReadLayoutLineIntoClear(const char* line,
                            PointRecord& record,
                            int layoutCode,
                            const LayoutSettings& settings);

// Appends the record's line in the layout. Returns 0.
int FormatLayoutLine(PointRecord& record,
                     int layoutCode,
                     const LayoutSettings& settings,
                     int32_t kind,
                     int32_t index,
                     std::string& out);

// Formats the record and writes its line followed by "\n" (CR LF on a text
// sink). Returns what FormatLayoutLine returned.
int WriteLayoutLine(TextSink& sink,
                    PointRecord& record,
                    int layoutCode,
                    const LayoutSettings& settings,
                    int32_t kind,
                    int32_t index);

}  // namespace vezuved
