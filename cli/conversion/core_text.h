// Text files through the library's core (vezuved_core.h): read once,
// straight from the user's file, with no copy or temporary between, or
// read again point by point for a document written in order; and what a
// format definition says of itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <vezuved/vezuved_core.h>

#include "conversion/records.h"
#include "files/file_output.h"
#include "values/points.h"

namespace vezuved_cli {

// A format definition's handle, freed with it.
using DefinitionHandle = std::unique_ptr<vezuved_definition, decltype(&vezuved_definition_free)>;

// The text options the core takes for the tool's.
vezuved_text_options CoreTextOptions(const TextOptions& options);

// The text at path (an existing file that RequireInput passed)
// read through the core as one set of the tool's points, titled after the
// file; the lines left out are reported on err, and a failure names the
// file as the tool does (what: as people gave it).
// hold: its points held at once, each text as the handheld holds it
// (a character it has no byte for as '?', said once).
LoadedPoints ReadTextPoints(std::ostream& err,
                            const std::string& path,
                            const std::string& what,
                            const TextOptions& options,
                            bool hold);

// What a definition says of itself, for a listing of definitions and the
// names of the files written by one.
struct DefinitionSummary {
    std::string title;      // UTF-8; empty: none
    std::string extension;  // with its dot; empty: none
    int layout = 1;         // VEZUVED_LAYOUT_*
    std::string delimiter;  // the delimited layout's character
    int32_t kind = 0;       // VEZUVED_SET_* or VEZUVED_DEFINITION_DATUM
};
// None when the file cannot be read as a definition.
std::optional<DefinitionSummary> SummarizeDefinition(const std::string& path);

// The extension of a text file written by definition (none: ""): its
// "Ext", else ".txt".
std::string TextExtension(const std::string& definition);

// The title of the definition (an existing file) a text is written
// through; fails when it cannot be read.
std::string WritingDefinitionTitle(const std::string& definition);

// A definition's title (ending "(import only)") says it can only be read.
bool IsImportOnly(const std::string& title);

// The text at path written into sink as a GPX, KML or GeoJSON document
// (as write asks) while it is read, never held:
// the lines left out are reported on err, and a failure names the file as
// the tool does.
struct StreamedText {
    int32_t kind = 0;
    int64_t count = 0;  // the points written
};
StreamedText WriteTextDocument(std::ostream& err,
                               FileSink& sink,
                               const std::string& path,
                               const TextOptions& options,
                               const vezuved_write_options& write);

}  // namespace vezuved_cli
