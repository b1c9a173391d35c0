// The input files named on the command line, wildcards expanded by the tool
// itself: a Windows shell leaves "logs/*.gpx" as it is.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vezuved_cli {

// Whether name matches pattern, '*' standing for any run of characters
// and '?' for one.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Each argument as it is, or, when its file name part holds '*' or '?',
// the regular files of its folder that match, sorted by name. A pattern
// that matches nothing fails naming it. "-" stays as it is.
std::vector<std::string> ExpandInputPaths(const std::vector<std::string>& arguments);

// The paths with each file once: a path naming a file named before (t.gpx
// and ./t.gpx, a link to it, a wildcard that matches it again) is left out
// and said on err, so no point is read twice.
std::vector<std::string> EachFileOnce(const std::vector<std::string>& paths, std::ostream& err);

}  // namespace vezuved_cli
