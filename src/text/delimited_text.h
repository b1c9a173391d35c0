// Text files moved straight to and from arrays of point records in the
// host's memory.
#pragma once

#include <cstdint>

#include "record/point_record.h"
#include "text/text_request.h"

namespace vezuved {

// The records of the text request.source, in a new array of the host's
// (*records); the count, or -1. Its kind is stored as given.
int32_t ReadDelimitedText(ConversionState& state, const TextRequest& request, void** records);

// count records written as the text request.source (the output here), with
// CR LF line ends and no header. 0 or -1.
int32_t WriteDelimitedText(ConversionState& state, const TextRequest& request, void* records, int32_t count);

}  // namespace vezuved
