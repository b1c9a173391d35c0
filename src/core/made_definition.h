// A format definition made from a text file's header row that reads the
// file it was made from: the columns its definition would refuse on every
// line are left out, each with a warning.
#pragma once

#include <string>
#include <string_view>

#include "core/text_sets.h"
#include "maps/map_warning.h"

namespace vezuved::core {

// The ".cal" text for the delimited text at path. isoTimes: the text is to
// be read with its ISO 8601 times, so time and date columns holding them
// stay. What a person should know (columns left out, names the header
// template cannot write back) goes to warnings, each message a sentence
// beginning "warning: ". Fails with VEZUVED_ERROR_FORMAT when the header
// row is empty or names no latitude or longitude column.
std::string MakeDefinition(const std::string& path, bool isoTimes, maps::MapWarnings& warnings);
// The same from the file's bytes, which the caller holds.
std::string MakeDefinitionOf(const std::string& path,
                             std::string_view bytes,
                             bool isoTimes,
                             maps::MapWarnings& warnings);

// request made to read its text by the text's own header row: by the
// definition made from bytes (its warnings into warnings, before the
// read's), ISO 8601 times kept, the bytes not read again.
void ReadByHeaderRow(TextReadRequest& request, std::string_view bytes, maps::MapWarnings& warnings);

}  // namespace vezuved::core
