// Text files of points turned into point databases, or into the per-kind
// text files the device copy stores.
#pragma once

#include "text/text_request.h"

namespace vezuved {

// The source's points into a database (or, toKindFile, a ".rlp", ".rlt" or
// ".rlr" text) named after the output, or after the source beside it.
TextResult ImportText(ConversionState& state, const TextRequest& request, bool toKindFile);

// Applies the request's field count, layout, elevation format and columns
// over what the definition gave.
void ApplyTextRequest(ConversionState& state, const TextRequest& request);

}  // namespace vezuved
