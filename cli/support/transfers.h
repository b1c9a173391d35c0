// The library's own file-to-file conversions: a text file into a database
// (RLDBImport) and a database into a text file (RLDBExport).
#pragma once

#include <string>

#include "support/records.h"

namespace vezuved_cli {

// Imports text into a database. output empty: beside the text file, with
// its name. Otherwise the database takes output's folder and name (cut to
// 31 characters, extension replaced by ".pdb"). Returns the path written.
std::string ImportTextFile(const std::string& text, const std::string& output, const TextOptions& options);

// Exports a database as text. output empty: beside the database with the
// definition's extension; an existing folder: in it; otherwise that exact
// file. Returns the path written.
std::string ExportDatabase(const std::string& database, const std::string& output, const TextOptions& options);

// The database path the import writes for an output path.
std::string ImportedDatabasePath(const std::string& output);

}  // namespace vezuved_cli
