// Options several subcommands share, registered the same way everywhere.
#pragma once

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "conversion/records.h"
#include "files/file_output.h"
#include "files/run_context.h"

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
    bool splitSegments = false;
    bool autoDefinition = false;  // --auto: a definition made from the header row
};

void AddDefinitionOption(CLI::App& command, SharedOptions& options);
void AddKindOption(CLI::App& command, SharedOptions& options);
void AddLayoutOption(CLI::App& command, SharedOptions& options);
void AddUnitFlags(CLI::App& command, SharedOptions& options);
void AddColumnsOption(CLI::App& command, SharedOptions& options);
// --auto; excludes --definition, so add it after that.
void AddAutoOption(CLI::App& command, SharedOptions& options);

// --encoding and --strict: how a text's bytes and bad values are taken.
void AddTextCheckOptions(CLI::App& command, SharedOptions& options);

// --split-segments: one set per segment of a route or track.
void AddSegmentsOption(CLI::App& command, SharedOptions& options);

// The type a --from or --to value names; none when empty; a usage error
// that names option when it names none.
std::optional<FileType> FileTypeOption(const std::string& option, const std::string& value);

// What convert and import ask of the whole run (--strict, --split-segments).
ConversionRules ToConversionRules(const SharedOptions& options);

// Definition, kind, layout, units, columns, encoding and strictness: the options of every command
// that reads text.
void AddTextReadingOptions(CLI::App& command, SharedOptions& options);

// The library's codes for what was given; a bad --columns is a usage error.
TextOptions ToTextOptions(const SharedOptions& options);

// How to read the text file at path: with --auto, by its own header row.
TextOptions TextOptionsFor(const std::string& path, const SharedOptions& options);

}  // namespace vezuved_cli
