// Point databases written as text in the layout of a format definition, or
// as Garmin text with its grid, datum and header blocks.
#pragma once

#include <cstdint>
#include <string>


int32_t ExportText(const char* databasePath, char* outputPath, const char* formatPath,
                   int16_t source, int16_t eleFormat, int16_t fieldCount, const int16_t* fieldMap);

// Drops the extension of the path's last component and appends the active
// format's extension.
void ChooseExportExtension(std::string& path);
