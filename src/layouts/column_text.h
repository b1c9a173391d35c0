// What the column layouts share: reading delimited columns by the field
// map, writing the record's fields into the mapped columns, the time and
// date texts a line shows, and the parts of an export around the records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "convert/time_text.h"
#include "layouts/layout_table.h"

namespace vezuved {

// Reads the columns the field map names, cut at separator.
int ReadDelimitedColumns(const char* line,
                         PointRecord& record,
                         int separator,
                         const LayoutSettings& settings);

// The read of the layouts whose columns end at the definition's delimiter.
int ReadDefinitionColumns(const char* line, PointRecord& record, const LayoutSettings& settings);

// What fixed-width column `column` takes of a line by the definition's
// comma-separated widths, each entry read from its first ten characters: a
// width below zero takes nothing. None past the last entry, the first empty
// one.
std::optional<size_t> FixedColumnWidth(const char* widths, int column);

constexpr int kNoSeparator = -1;

// Writes settings.fieldCount columns, separated by separator (a character,
// or kNoSeparator); a column without a field, or with an empty one, gets
// its label.
int WriteColumns(PointRecord& record, const LayoutSettings& settings, int separator, std::string& out);

// The write of the layouts whose columns follow each other unseparated.
int WriteUnseparatedColumns(
    PointRecord& record, const LayoutSettings& settings, int32_t kind, int32_t index, std::string& out);

// The record's time and date as the settings write them; both empty for a
// point without a time.
void PointTimeTexts(const PointRecord& record,
                    const LayoutSettings& settings,
                    char (&timeText)[kTimeTextCapacity],
                    char (&dateText)[kTimeTextCapacity]);

// The elevation in the settings' unit; an unknown one stays empty.
void AppendElevation(const char* elevation, const LayoutSettings& settings, std::string& out);

// Appends text, wrapped in double quotes when it holds ',', '*', TAB or LF.
void QuoteIfNeeded(const char* text, std::string& out);

// The whole line as the description.
int ReadWholeLine(const char* line, PointRecord& record, const LayoutSettings& settings);

// The definition's header, its tokens [NumRecords] and [Title] replaced,
// and a line end; nothing without one.
void WriteTemplateHeader(TextSink& sink, const ExportHeader& header);

// Copies a header template, replacing the tokens [NumRecords] and [Title].
void WriteHeaderTemplate(TextSink& sink, const char* text, uint32_t numRecords, const char* title);

// ".rlp", ".rlt" or ".rlr" by the database kind; "" for another kind.
const char* KindExtension(int32_t kind);

}  // namespace vezuved
