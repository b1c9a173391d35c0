// Text files moved straight to and from arrays of point records in the
// host's memory.
#pragma once

#include <cstdint>
#include <functional>

#include "record/point_record.h"

int32_t ReadDelimitedText(const char* sourcePath, const char* formatPath, int16_t kind,
                          int16_t source, int16_t eleFormat, const int16_t* fieldMap,
                          void** records);

int32_t WriteDelimitedText(const char* sourcePath, const char* formatPath, int16_t kind,
                           int16_t source, int16_t eleFormat, const int16_t* fieldMap,
                           void* records, int32_t count);

// The records ReadDelimitedText would hand out, one at a time in one reused
// record: onRecord(record, slot) for the placeholder slot, each line read,
// and a last line's leftovers, each with the slot it would fill. Returns the
// count ReadDelimitedText would, or -1 when the file cannot be read.
int32_t VisitDelimitedText(const char* sourcePath, const char* formatPath, int16_t kind, int16_t source,
                           int16_t eleFormat, const int16_t* fieldMap,
                           const std::function<void(PointRecord&, int64_t)>& onRecord);
