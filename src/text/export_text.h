// Point databases written as text in the layout of a format definition, or
// as Garmin text with its grid, datum and header blocks.
#pragma once

#include <string>

#include "text/text_request.h"

namespace vezuved {

// The database request.source as text at request.output: a path, a folder
// (ending in a separator) that gets the database's name, or empty for the
// database's own path with the layout's extension. Only request.format
// loads a definition.
TextResult ExportText(ConversionState& state, const TextRequest& request);

// Drops the extension of the path's last component and appends the active
// format's extension.
void ChooseExportExtension(const ConversionState& state, std::string& path);

}  // namespace vezuved
