// Options several subcommands share, registered the same way everywhere.
#pragma once

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "support/file_output.h"
#include "support/records.h"

namespace vezuved_cli {

// What the shared options collect before they are turned into TextOptions.
struct SharedOptions {
    std::string definition;
    std::string kind;
    std::string layout;
    std::string columns;
    bool metres = false;
    bool feet = false;
    std::string encoding;
    bool strict = false;
};

void AddDefinitionOption(CLI::App& command, SharedOptions& options);
void AddKindOption(CLI::App& command, SharedOptions& options);
void AddLayoutOption(CLI::App& command, SharedOptions& options);
void AddUnitFlags(CLI::App& command, SharedOptions& options);
void AddColumnsOption(CLI::App& command, SharedOptions& options);

// --encoding and --strict: how a text's bytes and bad values are taken.
void AddTextCheckOptions(CLI::App& command, SharedOptions& options);

// Definition, kind, layout, units, columns, encoding and strictness: the options of every command
// that reads text.
void AddTextReadingOptions(CLI::App& command, SharedOptions& options);

// The library's codes for what was given; a bad --columns is a usage error.
TextOptions ToTextOptions(const SharedOptions& options);

}  // namespace vezuved_cli
