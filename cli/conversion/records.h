// Reading points through the library, from a database or from a text file
// with its format definition, and writing them back as a database or text.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <vezuved/vezuved.h>
#include <vezuved/vezuved_core.h>

#include "files/run_context.h"
#include "files/tool_platform.h"
#include "values/options.h"
#include "values/points.h"

namespace vezuved_cli {

// A core collection, freed with its owner.
class CoreCollection {
public:
    CoreCollection();
    ~CoreCollection() { vezuved_collection_free(handle_); }
    CoreCollection(const CoreCollection&) = delete;
    CoreCollection& operator=(const CoreCollection&) = delete;
    vezuved_collection* get() const { return handle_; }

private:
    vezuved_collection* handle_;
};

// text with each path in it named as people gave it (what).
std::string NamedAs(std::string text, const std::string& path, const std::string& what);

// The collection's warnings on err, a line each, after prefix; a path
// read in the place of what people gave is named as they gave it.
void SayWarnings(std::ostream& err,
                 const CoreCollection& collection,
                 const std::string& prefix = "",
                 const std::string& path = "",
                 const std::string& what = "");

struct LoadedPoints {
    // Its title and kind, and its points once held (HoldPoints).
    PointSet set;
    bool held = true;
    // The set as the core read it (sourceSet of source), point for point,
    // while nothing has changed it: every file is written from it, so each
    // text, number and foot it read is written as it was.
    std::shared_ptr<CoreCollection> source;
    int32_t sourceSet = 0;
};

// Gives set of collection the texts of the set the points were read as (a
// track's description, a file's metadata), where they were read.
void CopySetExtras(CoreCollection& collection, int32_t set, const LoadedPoints& points);

// The points of a set read and not yet held, made the tool's: where they
// are changed or listed.
void HoldPoints(LoadedPoints& points);
// How many points the set has, held or not.
size_t PointCount(const LoadedPoints& points);

// How a text file's bytes are read, by the core's codes: UTF-8 when they
// are valid UTF-8, otherwise Windows-1252; or one of the two as asked.
enum class TextEncoding : int32_t {
    Detect = VEZUVED_ENCODING_WINDOWS_1252,
    Utf8 = VEZUVED_ENCODING_UTF8,
    Cp1252 = VEZUVED_ENCODING_WINDOWS_1252_ONLY
};

// How to read a text file; unset values leave the definition's choice.
struct TextOptions {
    std::string definition;  // empty: the text file's own ".cal"
    std::optional<int16_t> kind;
    std::optional<int16_t> layout;
    std::optional<int16_t> elevationFormat;  // 0 feet, 1 metres
    std::optional<ColumnMap> columns;
    TextEncoding encoding = TextEncoding::Detect;
    bool strict = false;     // a bad value fails the command instead of skipping its line
    bool headerRow = false;  // read by a definition made from its header row (--auto)
};

// The core's set kind for a database kind: an older-layout track or route
// is a track or route (the layout is the database's).
int32_t SetKindFor(int32_t kind);

// What a database's header says; a file that is no database fails the
// command, with the cause.
vezuved_database_facts ReadDatabaseFacts(const std::string& path);
// The set appended to collection as a set of kind (a database kind; the
// older ones are a track's and a route's): copied as the core read it, or
// from the tool's points when it changed them.
void AddLoadedSet(CoreCollection& collection, const LoadedPoints& points, int32_t kind);
// The same, its points appended to the set index of collection.
void AppendLoadedPoints(CoreCollection& collection, int32_t set, const LoadedPoints& points);

// A point the core read, as the tool holds it.
Point PointOf(const vezuved_point& read);

// The sets of a database, GPX, KML (KMZ) or GeoJSON file (an existing one;
// format, a VEZUVED_FORMAT_*) as the core reads them, with hold their points held.
// What the read leaves out is said on err (what names the file), or with
// strict fails it; a database is one set, titled by the file's name.
std::vector<LoadedPoints> ReadThroughCore(std::ostream& err,
                                          const std::string& path,
                                          const std::string& what,
                                          int32_t format,
                                          bool strict,
                                          bool hold);

// SplitSegments (point_sets.h) of each set the tool's readers made.
std::vector<LoadedPoints> SplitSegments(std::vector<LoadedPoints> sets);

// Fails unless the set fits in one database (65,535 records); cutting a
// track in pieces would change what it is, so that is left to the user.
void RequireDatabaseSize(const std::string& path, const LoadedPoints& points);

// A set without library records is written from its points. A database holds
// at most 65,535 records: a larger set fails.
void WriteDatabase(const RunContext& run, const std::string& path, LoadedPoints& points, int32_t kind);
// Writes the points through the output's definition (options.definition,
// else the output's own ".cal"), with the definition's header line. A
// definition marked import-only is refused.
void WriteText(const RunContext& run,
               const std::string& path,
               LoadedPoints& points,
               const TextOptions& options);

// Refuses (usage error) a definition marked import-only.
void RequireWritableDefinition(const std::string& output, const std::string& definition);

// The file's name without folder and extension.
std::string BaseTitle(const std::string& path);
// The title of the one set of the file at path: a copy read in the place of
// what people gave (standard input) is titled so.
std::string TitleOf(const std::string& path, const std::string& what);

}  // namespace vezuved_cli
