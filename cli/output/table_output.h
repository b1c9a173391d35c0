// The listings of `vezuved show`: an aligned table for people, CSV and
// JSON for other programs. Times appear in ISO 8601, elevations in feet as
// the record holds them.
#pragma once

#include <string>
#include <vector>

#include "values/points.h"

namespace vezuved_cli {

// Rows of UTF-8 cells, the first row the header, as columns padded to the
// widest cell, two spaces apart, trailing spaces trimmed.
std::string AlignColumns(const std::vector<std::vector<std::string>>& rows);

// Each says on err, once, how many elevations are too large to give in feet.
std::string WriteTable(std::ostream& err, const PointSet& set);
// RFC 4180: a header line, fields quoted when they hold ',', '"' or a line end.
std::string WriteCsv(std::ostream& err, const PointSet& set);
std::string WritePointsJson(std::ostream& err, const PointSet& set);

}  // namespace vezuved_cli
