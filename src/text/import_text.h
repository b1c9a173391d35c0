// Text files of points turned into point databases, or into the per-kind
// text files the device copy stores.
#pragma once

#include <cstdint>

int32_t ImportText(const char* sourcePath, char* outputPath, const char* formatPath, int16_t kind,
                   int16_t source, int16_t eleFormat, const int16_t* fieldMap, bool toKindFile);

// Applies the caller's column map to the first seven FieldMap entries.
void ApplyFieldMap(const int16_t* fieldMap);
