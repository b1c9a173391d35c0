// One set written as text described by a ".cal" format definition: the
// definition's header, then each point as one line of its layout, through
// the library's own layout writers.
#pragma once

#include <string>

#include "core/text_overrides.h"
#include "maps/map_warning.h"
#include "sets/points.h"
#include "sets/record_fitting.h"

namespace vezuved::core {

// Writes set at path in the layout of definition, whole or not at all; the
// texts fitted to the layout are said in warnings. Fails with a CoreFailure:
// VEZUVED_ERROR_ARGUMENT (no definition named), _OPEN (the definition
// cannot be read), _FORMAT (a definition of whole lines or datums, or one
// marked import-only), _WRITE (the previous file whole) or _MEMORY.
// overrides change the definition's layout, unit and columns; with a layout
// or columns they describe the text without one.
void WriteTextFile(const std::string& path,
                   const std::string& definition,
                   const maps::PointSet& set,
                   maps::RecordEncoding encoding,
                   maps::MapWarnings& warnings,
                   const TextOverrides& overrides = {});

}  // namespace vezuved::core
