// The library's own file-to-file conversions: a text file into a database
// (RLDBImport) and a database into a text file (RLDBExport).
#pragma once

#include <ostream>
#include <string>

#include "conversion/records.h"

namespace vezuved_cli {

// Imports text (an input RequireInput passed) into a database. output empty: beside the text file, with
// its name. Otherwise the database takes output's folder and whole name,
// extension replaced by ".pdb"; the database inside is named by its first
// 31 characters, and a note says so. Returns the path written.
std::string ImportTextFile(const RunContext& run,
                           const std::string& text,
                           const std::string& output,
                           const TextOptions& options);

// Exports a database as text. output empty: beside the database with the
// definition's extension; an existing folder: in it; otherwise that exact
// file. Returns the path written.
std::string ExportDatabase(const RunContext& run,
                           const std::string& database,
                           const std::string& output,
                           const TextOptions& options);

// The database path the import writes for an output path: its name whole,
// ending in ".pdb".
std::string ImportedDatabasePath(const std::string& output);

}  // namespace vezuved_cli
