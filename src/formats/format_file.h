// Format definitions (".cal"): 8-bit text of "key = value" lines that
// describe one text layout of points, routes or tracks. Loading one writes
// its settings into the conversion state it is given
// (state/conversion_state.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "state/conversion_state.h"

namespace vezuved {

// The keyword table in its fixed order; the index is what a lookup by
// keyword compares (format_catalogue.h).
enum FormatKeyword : int {
    kKeySource = 0,
    kKeyFieldCount = 1,
    kKeyDelimited = 2,
    kKeyLatitude = 3,
    kKeyLongitude = 4,
    kKeyElevation = 5,
    kKeyTime = 6,
    kKeyName = 7,
    kKeyIcon = 8,
    kKeyDesc = 9,
    kKeyLocFormat = 10,
    kKeyDBType = 11,
    kKeyPalmDBType = 12,
    kKeyEleFormat = 13,
    kKeyDefaultIcon = 14,
    kKeyHeaderLines = 15,
    kKeyFieldLen = 16,
    kKeyDate = 17,
    kKeyHeader = 18,
    kKeyFormatTitle = 19,
    kKeyExt = 20,
    // 21 and 22 are the comment marks "//" and "#", which no code names.
};
constexpr int kFormatKeywordCount = 23;

// Longest line kept, in characters; longer lines are cut to it.
constexpr size_t kFormatLineMax = 511;
// Longest definition path accepted, in characters.
constexpr size_t kFormatPathMax = 1023;
// The '=' of a keyword line lies within this many characters of the line's
// first non-space character.
constexpr size_t kFormatKeyReach = 30;

// The keyword at index, or null outside 0..22.
const char* FormatKeywordName(int index);

// Index of the keyword that equals name as a whole word, any case; -1.
int FindFormatKeyword(const char* name);

// One collected line (NUL-terminated). Returns the keyword's index and, in
// *valueStart, where its value begins (leading spaces skipped); -1 for a
// line that is no keyword line. A "FieldN" line stores its value as the
// label of column N and returns -1 too. *valueStart (when valueStart is not
// null) is null when the line holds no usable '='.
int ParseFormatLine(ConversionState& state, const char* line, const char** valueStart);

// Applies one keyword line to state; indexes outside 0..20
// do nothing. A null value counts as the empty text.
void ApplyFormatKeyword(ConversionState& state, int index, const char* value);

// Walks length bytes of definition text line by line, applying each keyword
// line in order. With a wanted name, the walk stops at the wanted keyword's
// line (its value goes to state.FoundValue and is not applied) or, for a name that
// is no keyword, at a line equal to the name (FoundValue becomes the empty
// text). Returns true when it stopped there. May throw std::bad_alloc.
bool ParseFormatText(ConversionState& state, const char* text, size_t length, const char* wanted);

// The definition path for path: from its last '.' on replaced by ".cal",
// or ".cal" appended. False (out untouched) for a null path or one longer
// than kFormatPathMax.
bool MakeFormatPath(const char* path, std::string& out);

// Loads the definition belonging to path (MakeFormatPath), searching for
// wanted (null: none). Returns 0; -1 when the definition cannot be read:
// "No Cal File\n" is printed when it cannot be opened, a path longer than
// kFormatPathMax counting as such; memory running out is silent. A null
// path loads nothing and returns 0. Never throws.
int32_t LoadFormatFile(ConversionState& state, const char* path, const char* wanted);

// As LoadFormatFile, but opens definitionPath exactly as given; when it
// cannot be opened or read, errno says why.
int32_t LoadFormatFileAt(ConversionState& state, const char* definitionPath, const char* wanted);

}  // namespace vezuved
