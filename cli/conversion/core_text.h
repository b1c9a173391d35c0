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

// Whether path is the handheld's record lines by its extension (.rlp,
// .rlt, .rlr), which need no definition.
bool IsRecordLineFile(const std::string& path);

// The text options the core takes for the tool's.
vezuved_text_options CoreTextOptions(const TextOptions& options);

// text with each path in it named as people gave it (what).
std::string NamedAs(std::string text, const std::string& path, const std::string& what);

// The collection's warnings on err, a line each, after prefix; a path
// read in the place of what people gave is named as they gave it.
void SayWarnings(std::ostream& err,
                 const CoreCollection& collection,
                 const std::string& prefix = "",
                 const std::string& path = "",
                 const std::string& what = "");

// Fails (usage error) unless something says what the text's columns hold:
// -d, its own ".cal", a record-line extension, or --columns or --layout.
void RequireTextDescription(const std::string& path, const TextOptions& options);

// Reads the text at path into collection as one set; the lines left out
// are reported on err, and a failure names the file as the tool does.
// With visit, each point goes to visit as it is read and the set stays
// empty (vezuved_visit_text).
void ReadTextThroughCore(std::ostream& err,
                         CoreCollection& collection,
                         const std::string& path,
                         const TextOptions& options,
                         vezuved_point_function visit = nullptr,
                         void* context = nullptr);

// The text at path read through the core as one set of the tool's points,
// titled after the file; the lines left out are reported on err.
// hold: its points held at once, each text as the handheld holds it
// (a character it has no byte for as '?', said once).
LoadedPoints ReadTextPoints(std::ostream& err,
                            const std::string& path,
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
