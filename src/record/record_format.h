// A point record written as one line of the active text layout: columns by
// the format's column map, or the Garmin tab-separated text.
#pragma once

#include <cstdint>
#include <string>

#include "record/point_record.h"
#include "record/text_sink.h"

// Kinds of point the formatter writes: the database kind.
enum PointKind : int32_t { kWaypoint = 0, kTrackPoint = 1, kRoutePoint = 2 };

// Appends the record's line to out (no line end, except the one that ends
// every Garmin line). Returns 0.
int FormatPointLine(PointRecord& record, int32_t columnCount, int mode, int32_t kind,
                    int32_t index, std::string& out);

int FormatGarminLine(PointRecord& record, const char* timeText, const char* dateText,
                     int32_t columnCount, int32_t kind, int32_t index, std::string& out);

// Formats the record and writes its line followed by "\n" (CR LF on a text
// sink). Returns what FormatPointLine returned.
int WritePointLine(TextSink& sink, PointRecord& record, int32_t columnCount, int mode,
                   int32_t kind, int32_t index);

// Replaces every ',', '*', TAB and LF by a space, in place; null is left alone.
void BlankSeparators(char* text);

// Appends text, wrapped in double quotes when it holds ',', '*', TAB or LF.
void QuoteIfNeeded(const char* text, std::string& out);
