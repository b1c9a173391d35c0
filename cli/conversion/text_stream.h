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

// The set of the text at path, its kind found from its first point. Its
// first walk reports on err the lines it leaves out (and fails as a whole
// read would); each later walk reads it again, silently, and fails if the
// file changed meanwhile. err must outlive the set.
PointSet StreamedTextSet(std::ostream& err, const std::string& path, const TextOptions& options);

}  // namespace vezuved_cli
