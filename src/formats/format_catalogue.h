// Questions the host and the device copy ask of definitions: one keyword's
// value, a definition's title, and which definition in the current folder
// serves a file extension. All of them go through the definition parser
// (format_file.h) and leave in the conversion state they are given what
// the lines read before the wanted one set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/conversion_state.h"

namespace vezuved {

// Capacity of the path FindFormatForExtension writes, NUL included.
constexpr size_t kFormatSearchPathSize = 260;

// The body of RLGetCalFileInfo: resets the conversion state, empties value
// (when given), looks keyword up in the definition belonging to path and,
// when found, writes its length to *length and/or copies it with its NUL
// into value. A value never exceeds kFormatLineMax characters, so a buffer
// of kFormatLineMax + 1 bytes always suffices. Returns 0. Never throws.
int32_t GetFormatValue(
    ConversionState& state, const char* keyword, const char* path, char* value, int32_t* length) noexcept;

// Searches the "*.cal" files of the current folder for one whose "Ext"
// value equals extension (any case, as written, without an added dot) and
// whose "DBType" is of kindFilter (65535: any; a missing or unknown type
// never filters a definition out). Writes its path to outPath (at least
// kFormatSearchPathSize bytes; the empty text when none is found) and
// returns its kind: 0 Point, 1 Track, 2 Route, 65535 any other or none
// found. Definitions whose path would not fit in outPath are passed over,
// and so is every one when the current folder is longer than 260
// characters. May throw std::bad_alloc.
int32_t FindFormatForExtension(ConversionState& state,
                               int32_t kindFilter,
                               const char* extension,
                               char* outPath);

}  // namespace vezuved
