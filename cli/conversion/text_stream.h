// A text file's set whose points are never all held: each walk reads the
// checked text again through the library, one record at a time, and makes
// each point as the whole-file reading does. It serves a map document,
// which is written in order and may walk a set more than once.
#pragma once

#include <memory>
#include <string>

#include "conversion/text_input.h"
#include "values/points.h"

namespace vezuved_cli {

// The set of a text file PrepareText made ready; the prepared text (and its
// temporary copy) lives as long as the set.
PointSet StreamedTextSet(const std::string& path, std::shared_ptr<PreparedText> prepared);

}  // namespace vezuved_cli
