// Text files moved straight to and from arrays of point records in the
// host's memory.
#pragma once

#include <cstdint>

int32_t ReadDelimitedText(const char* sourcePath, const char* formatPath, int16_t kind,
                          int16_t source, int16_t eleFormat, const int16_t* fieldMap,
                          void** records);

int32_t WriteDelimitedText(const char* sourcePath, const char* formatPath, int16_t kind,
                           int16_t source, int16_t eleFormat, const int16_t* fieldMap,
                           void* records, int32_t count);
