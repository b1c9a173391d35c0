// Texts fitted into the fields of a point record, and one warning per
// output file saying what that changed. A database record line cannot hold
// its separators (',' and '*'), a TAB or a line break in a text, and drops
// every '"' when it is read; a text line written through a definition
// ends at a line break, and quotes have no escape there. Name and symbol
// hold 255 characters, every text only what Windows-1252 holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vezuved::maps {

// How a record's texts are stored: the handheld's Windows-1252, or UTF-8
// bytes as they are for a caller that asks for them.
enum class RecordEncoding { Windows1252, Utf8 };

// What a name or a symbol holds.
constexpr size_t kNameRoom = 255;

// What the texts go into.
enum class RecordUse { Database, Text };

// Which field a text goes into: a definition's writer quotes a name or a
// description that holds its separator, but writes a symbol as it is.
enum class RecordField { Name, Icon, Description };

// What fitting changed in one output file.
struct FittingReport {
    size_t replaced = 0;     // fields with characters replaced or dropped
    size_t cut = 0;          // fields cut to their room
    std::string characters;  // each character changed, once, as the warning names it
};

// UTF-8 text as the Windows-1252 text the field holds: separators and
// line breaks blanked, '"' dropped, characters Windows-1252 lacks as '?',
// cut to room bytes (kNameRoom, or 0 for no limit). Adds to report. Utf8:
// the characters are kept as they are, and a cut falls between two.
std::string FitRecordText(std::string_view utf8,
                          RecordUse use,
                          RecordField field,
                          size_t room,
                          FittingReport& report,
                          RecordEncoding encoding = RecordEncoding::Windows1252);

// The one warning for target ("vezuved: warning: 'x.pdb': text fitted to
// the record: ..."), with its line end; empty when nothing changed.
std::string FittingWarning(const std::string& target, const FittingReport& report);

}  // namespace vezuved::maps
