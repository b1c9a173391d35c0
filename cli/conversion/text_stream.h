// A text file's set whose points are never all held: each walk reads the
// text again through the core, one point at a time, and makes each point
// as the whole-file reading does. It serves a map document, which is
// written in order and may walk a set more than once.
#pragma once

#include <ostream>
#include <string>

#include "conversion/records.h"
#include "values/points.h"

namespace vezuved_cli {

// The set of the text at path, read once now to report on err the lines
// left out (and to fail as a whole read would); each later walk reads it
// again, silently, and fails if the file changed meanwhile.
PointSet StreamedTextSet(std::ostream& err, const std::string& path, const TextOptions& options);

}  // namespace vezuved_cli
