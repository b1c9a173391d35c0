// The core's C functions. Each checks its arguments, runs its work and
// answers a result code; every failure thrown inside stops here, its
// sentence kept in the collection, so no exception leaves an export.
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "core/collection.h"
#include "core/core_failure.h"
#include "core/database_sets.h"
#include "core/file_formats.h"
#include "core/made_definition.h"
#include "core/map_documents.h"
#include "core/page_figures.h"
#include "core/point_values.h"
#include "core/streamed_text.h"
#include "core/text_overrides.h"
#include "core/text_set_writer.h"
#include "core/text_sets.h"
#include "sets/number_text.h"
#include "vezuved/vezuved_core.h"

using namespace vezuved;
using namespace vezuved::core;

namespace {

// Runs work for the collection: VEZUVED_OK, or the failure's code with its
// sentence kept.
template <typename Work>
int32_t Run(vezuved_collection* collection, Work work) noexcept {
    if (collection == nullptr) return VEZUVED_ERROR_ARGUMENT;
    return AnswerKeepingSentence(collection->error, [&] {
        work();
        return VEZUVED_OK;
    });
}

maps::RecordEncoding EncodingOf(int32_t encoding, const std::string& path) {
    if (encoding == VEZUVED_ENCODING_WINDOWS_1252) return maps::RecordEncoding::Windows1252;
    if (encoding == VEZUVED_ENCODING_UTF8) return maps::RecordEncoding::Utf8;
    FailCore(VEZUVED_ERROR_ARGUMENT, "'" + path + "': " + std::to_string(encoding) + " is no text encoding");
}

// A text file's bytes: the default reads UTF-8 when the whole file is
// UTF-8 and Windows-1252 otherwise; the other two force one.
TextEncoding TextEncodingOf(int32_t encoding, const std::string& path) {
    if (encoding == VEZUVED_ENCODING_WINDOWS_1252) return TextEncoding::Detect;
    if (encoding == VEZUVED_ENCODING_UTF8) return TextEncoding::Utf8;
    if (encoding == VEZUVED_ENCODING_WINDOWS_1252_ONLY) return TextEncoding::Windows1252;
    FailCore(VEZUVED_ERROR_ARGUMENT, "'" + path + "': " + std::to_string(encoding) + " is no text encoding");
}

bool HasSet(const vezuved_collection* collection, int32_t set) {
    return collection != nullptr && set >= 0 && static_cast<size_t>(set) < collection->sets.size();
}

// Appends to set the point make gives for given (a point or a record);
// a set's first point begins no segment.
template <typename Make>
int32_t AppendPoint(
    vezuved_collection* collection, int32_t set, const void* given, const char* what, Make make) {
    return Run(collection, [&] {
        if (!HasSet(collection, set))
            FailCore(VEZUVED_ERROR_ARGUMENT, "there is no set " + std::to_string(set));
        if (given == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, std::string("no ") + what + " was given");
        std::vector<maps::Point>& points = collection->sets[static_cast<size_t>(set)].points;
        maps::Point made = make();
        if (points.empty()) made.segmentStart = false;
        points.push_back(std::move(made));
    });
}

// A point of a visited read handed to the caller's function; an answer
// other than 0 stops the read.
struct PointVisit {
    vezuved_point_function visit;
    void* context;
};

void RequireReadFlags(const vezuved_read_options& options, const std::string& path) {
    if ((options.flags & ~(VEZUVED_READ_ISO_TIMES | VEZUVED_READ_HEADER_ROW)) != 0) {
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "'" + path + "': " + std::to_string(options.flags) + " are no flags of a read");
    }
    if ((options.flags & VEZUVED_READ_HEADER_ROW) != 0 && options.definition_path != nullptr) {
        FailCore(VEZUVED_ERROR_ARGUMENT,
                 "'" + path + "': a text read by its header row takes no format definition");
    }
}

bool ByHeaderRow(const vezuved_read_options& options) {
    return (options.flags & VEZUVED_READ_HEADER_ROW) != 0;
}

// How the text at path is read, by the read options and the layout over its definition.
TextReadRequest TextRequestOf(const std::string& path,
                              const vezuved_read_options& options,
                              const TextOverrides& overrides) {
    TextReadRequest request;
    request.path = path;
    request.definition = options.definition_path != nullptr ? options.definition_path : "";
    request.encoding = TextEncodingOf(options.encoding, path);
    request.strict = options.strict != 0;
    request.isoTimes = (options.flags & VEZUVED_READ_ISO_TIMES) != 0;
    request.overrides = overrides;
    return request;
}

void ReadFile(vezuved_collection& collection,
              const char* path,
              const vezuved_read_options* given,
              const vezuved_text_options* text = nullptr,
              const PointVisit* each = nullptr) {
    collection.warnings.clear();
    if (path == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no path was given to read");
    const vezuved_read_options options = given != nullptr ? *given : vezuved_read_options{};
    RequireReadFlags(options, path);
    const std::string definition = options.definition_path != nullptr ? options.definition_path : "";
    const TextOverrides overrides = OverridesOf(text, path);
    // A layout or columns given, or its header row, describe a text without a definition.
    const int32_t format = ChooseReadFormat(
        options.format, path, definition, overrides.DescribesColumns() || ByHeaderRow(options));
    const maps::RecordEncoding encoding = format == VEZUVED_FORMAT_TEXT ? maps::RecordEncoding::Windows1252
                                                                        : EncodingOf(options.encoding, path);
    if (each != nullptr && format != VEZUVED_FORMAT_TEXT) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED,
                 "cannot read '" + std::string(path) + "' point by point: only a text file is read so");
    }
    maps::MapWarnings warnings;
    std::vector<maps::PointSet> sets;
    bool visiting = false;  // a visited read's set is in the collection
    // What the read went past stays walkable when it then fails.
    try {
        if (format == VEZUVED_FORMAT_TEXT) {
            TextReadRequest request = TextRequestOf(path, options, overrides);
            PageBuffer held;
            if (ByHeaderRow(options)) {
                ReadWholeText(path, held, true);
                ReadByHeaderRow(request, std::string_view(held.data(), held.size()), warnings);
            }
            if (each == nullptr) {
                sets.push_back(ReadTextFile(request, warnings));
            } else {
                sets.push_back(
                    VisitTextFile(request, warnings, [&](maps::Point& point, const maps::PointSet& set) {
                        // The set stands in the collection from its first point on,
                        // so the caller may ask its kind and name while visiting.
                        if (!visiting) {
                            collection.sets.push_back(set);
                            visiting = true;
                        }
                        const vezuved_point given = PublicPoint(point);
                        if (each->visit(each->context, &given) != 0)
                            FailCore(VEZUVED_ERROR_CANCELLED,
                                     "the reading of '" + std::string(path) + "' was stopped");
                    }));
            }
        } else if (format == VEZUVED_FORMAT_PDB || format == VEZUVED_FORMAT_PDB_OLDER) {
            sets.push_back(ReadDatabaseFile(path, encoding, options.strict != 0, warnings));
        } else {
            sets = ReadMapFile(path, format, options.strict != 0, warnings);
        }
    } catch (...) {
        if (visiting) collection.sets.pop_back();
        collection.warnings = std::move(warnings);
        throw;
    }
    if (visiting) sets.clear();
    // Whole or not at all: the collection changes only once all is read.
    collection.sets.reserve(collection.sets.size() + sets.size());
    for (maps::PointSet& set : sets) collection.sets.push_back(std::move(set));
    collection.warnings = std::move(warnings);
}

// The sets a write takes: all, or the one the options name (copied into chosen).
const std::vector<maps::PointSet>& SetsToWrite(const vezuved_collection& collection,
                                               const std::string& path,
                                               const vezuved_write_options& options,
                                               std::vector<maps::PointSet>& chosen) {
    if (options.one_set == 0) return collection.sets;
    if (!HasSet(&collection, options.set_index)) {
        FailCore(
            VEZUVED_ERROR_ARGUMENT,
            "cannot write '" + path + "': the collection has no set " + std::to_string(options.set_index));
    }
    chosen.push_back(collection.sets[static_cast<size_t>(options.set_index)]);
    return chosen;
}

// The ways of writing a document or picture or'ed into the options' format.
constexpr int32_t kWriteModifiers = VEZUVED_WRITE_COMPACT | VEZUVED_WRITE_AS_POINTS;

bool IsDocument(int32_t format) {
    return format == VEZUVED_FORMAT_GPX || format == VEZUVED_FORMAT_KML || format == VEZUVED_FORMAT_GEOJSON ||
           format == VEZUVED_FORMAT_SVG || format == VEZUVED_FORMAT_HTML;
}

// The options' format without its modifiers, which only a document's named
// format takes (and COMPACT only GeoJSON).
int32_t PlainFormat(const vezuved_write_options& options, const std::string& path) {
    const int32_t modifiers = options.format & kWriteModifiers;
    const int32_t format = options.format & ~kWriteModifiers;
    if (modifiers != 0 && (!IsDocument(format) ||
                           ((modifiers & VEZUVED_WRITE_COMPACT) != 0 && format != VEZUVED_FORMAT_GEOJSON))) {
        FailCore(
            VEZUVED_ERROR_ARGUMENT,
            "'" + path + "': " + std::to_string(options.format) + " is no format a document is written in");
    }
    return format;
}

// A document's routes and tracks written as waypoints: their kinds changed
// for the write's length, and given back after.
class KindsAsPoints {
public:
    KindsAsPoints(const std::vector<maps::PointSet>& sets, bool asPoints)
        : sets_(const_cast<std::vector<maps::PointSet>&>(sets)) {
        if (!asPoints) return;
        for (maps::PointSet& set : sets_) {
            kinds_.push_back(set.kind);
            set.kind = VEZUVED_SET_WAYPOINTS;
        }
    }
    ~KindsAsPoints() {
        for (size_t i = 0; i < kinds_.size(); ++i) sets_[i].kind = kinds_[i];
    }
    KindsAsPoints(const KindsAsPoints&) = delete;
    KindsAsPoints& operator=(const KindsAsPoints&) = delete;

private:
    std::vector<maps::PointSet>& sets_;
    std::vector<int32_t> kinds_;
};

MapWriteRequest MapRequestOf(int32_t format, const vezuved_write_options& options, const std::string& path) {
    MapWriteRequest request;
    request.format = format;
    request.compact = (options.format & VEZUVED_WRITE_COMPACT) != 0;
    request.creator = options.creator != nullptr ? options.creator : "VEZUVed";
    if (format == VEZUVED_FORMAT_HTML) request.figures = PageFiguresOf(options, path);
    return request;
}

void WriteFile(vezuved_collection& collection,
               const char* path,
               const vezuved_write_options* given,
               const vezuved_text_options* text = nullptr) {
    collection.warnings.clear();
    if (path == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no path was given to write");
    const TextOverrides overrides = OverridesOf(text, path);
    const vezuved_write_options options = given != nullptr ? *given : vezuved_write_options{};
    // Record lines, and a text its layout or columns describe, are text by
    // their extension or options alone.
    const bool describedText =
        options.format == VEZUVED_FORMAT_BY_EXTENSION &&
        (overrides.DescribesColumns() || RecordLineKind(path)) &&
        ChooseReadFormat(VEZUVED_FORMAT_BY_EXTENSION, path, "", true) == VEZUVED_FORMAT_TEXT;
    const int32_t format =
        describedText ? VEZUVED_FORMAT_TEXT : ChooseFormat(PlainFormat(options, path), path, false);
    RequireWritable(format, path);
    const maps::RecordEncoding encoding = EncodingOf(options.encoding, path);
    std::vector<maps::PointSet> chosen;
    const std::vector<maps::PointSet>* sets = &SetsToWrite(collection, path, options, chosen);
    maps::MapWarnings warnings;
    const bool database = format == VEZUVED_FORMAT_PDB || format == VEZUVED_FORMAT_PDB_OLDER;
    if (database || format == VEZUVED_FORMAT_TEXT) {
        if (sets->size() != 1) {
            FailCore(VEZUVED_ERROR_SETS,
                     "cannot write '" + std::string(path) +
                         "': " + (database ? "a database" : "a text file") + " holds one set and " +
                         std::to_string(sets->size()) + " are to be written; name one in the options");
        }
        if (database) {
            WriteDatabaseFile(path, sets->front(), encoding, warnings, format == VEZUVED_FORMAT_PDB_OLDER);
        } else {
            WriteTextFile(path,
                          options.definition_path != nullptr ? options.definition_path : "",
                          sets->front(),
                          encoding,
                          warnings,
                          overrides);
        }
    } else {
        const KindsAsPoints kinds(*sets, (options.format & VEZUVED_WRITE_AS_POINTS) != 0);
        WriteMapFile(path, *sets, MapRequestOf(format, options, path), warnings);
    }
    collection.warnings = std::move(warnings);
}

// Gathers the document and hands it to the caller once it is complete, so
// a document that fails part way gives the caller nothing.
class CallbackSink {
public:
    CallbackSink(vezuved_write_function write, void* context)
        : write_(write), context_(context), sink_(text_) {}
    maps::DocumentSink& sink() { return sink_; }
    // Passes on the whole document, once; false when the caller refused it.
    bool Pass() {
        return text_.empty() || write_(context_, text_.data(), static_cast<int64_t>(text_.size())) == 0;
    }

private:
    vezuved_write_function write_;
    void* context_;
    std::string text_;
    maps::DocumentSink sink_;
};

void WriteToCallback(vezuved_collection& collection,
                     const char* name,
                     vezuved_write_function write,
                     void* context,
                     const vezuved_write_options* given) {
    collection.warnings.clear();
    if (write == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no function was given to take the document");
    const std::string shown = name != nullptr ? name : "the document";
    const vezuved_write_options options = given != nullptr ? *given : vezuved_write_options{};
    if (options.format == VEZUVED_FORMAT_BY_EXTENSION) {
        FailCore(VEZUVED_ERROR_ARGUMENT, "cannot write '" + shown + "': the options name no format");
    }
    const int32_t format = ChooseFormat(PlainFormat(options, shown), shown, false);
    RequireWritable(format, shown);
    if (format == VEZUVED_FORMAT_PDB || format == VEZUVED_FORMAT_PDB_OLDER || format == VEZUVED_FORMAT_TEXT) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED,
                 "cannot write '" + shown +
                     "': " + (format == VEZUVED_FORMAT_TEXT ? "a text file" : "a database") +
                     " is written only to a file");
    }
    std::vector<maps::PointSet> chosen;
    const std::vector<maps::PointSet>& sets = SetsToWrite(collection, shown, options, chosen);
    CallbackSink out(write, context);
    const KindsAsPoints kinds(sets, (options.format & VEZUVED_WRITE_AS_POINTS) != 0);
    maps::MapWarnings warnings;
    WriteMapDocument(out.sink(), shown, sets, MapRequestOf(format, options, shown), warnings);
    if (!out.Pass()) FailCore(VEZUVED_ERROR_WRITE, "cannot write '" + shown + "': the receiver refused it");
    collection.warnings = std::move(warnings);
}

bool VezuvedSinkWrite(void* context, const char* bytes, size_t size) {
    const auto* out = static_cast<const std::pair<vezuved_write_function, void*>*>(context);
    return out->first(out->second, bytes, static_cast<int64_t>(size)) == 0;
}

void WriteTextToCallback(vezuved_collection& collection,
                         const char* path,
                         const vezuved_read_options* givenRead,
                         const vezuved_text_options* text,
                         vezuved_write_function write,
                         void* context,
                         const vezuved_write_options* givenWrite,
                         int64_t* written) {
    collection.warnings.clear();
    if (path == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no path was given to read");
    if (write == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no function was given to take the document");
    const vezuved_read_options read = givenRead != nullptr ? *givenRead : vezuved_read_options{};
    RequireReadFlags(read, path);
    const vezuved_write_options options = givenWrite != nullptr ? *givenWrite : vezuved_write_options{};
    const TextOverrides overrides = OverridesOf(text, path);
    const std::string definition = read.definition_path != nullptr ? read.definition_path : "";
    if (ChooseReadFormat(read.format, path, definition, overrides.DescribesColumns() || ByHeaderRow(read)) !=
        VEZUVED_FORMAT_TEXT) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED,
                 "cannot write '" + std::string(path) + "' as it is read: only a text file is read so");
    }
    const int32_t format = PlainFormat(options, path);
    if (format != VEZUVED_FORMAT_GPX && format != VEZUVED_FORMAT_KML && format != VEZUVED_FORMAT_GEOJSON) {
        FailCore(VEZUVED_ERROR_UNSUPPORTED,
                 "cannot write '" + std::string(path) +
                     "' as it is read: a text goes so only into a GPX, KML or GeoJSON document");
    }
    maps::MapWarnings warnings;
    maps::PointSet described;
    std::pair<vezuved_write_function, void*> out(write, context);
    maps::DocumentSink sink(VezuvedSinkWrite, &out);
    try {
        TextReadRequest request = TextRequestOf(path, read, overrides);
        if (ByHeaderRow(read)) {
            // Walked again for each pass, so the text is not held.
            request.definitionText = MakeDefinition(path, true, warnings);
            request.isoTimes = true;
        }
        const int64_t count = WriteTextDocument(sink,
                                                path,
                                                request,
                                                MapRequestOf(format, options, path),
                                                (options.format & VEZUVED_WRITE_AS_POINTS) != 0,
                                                warnings,
                                                described);
        if (!sink.Flush())
            FailCore(VEZUVED_ERROR_WRITE,
                     "cannot write the document of '" + std::string(path) + "': the receiver refused it");
        if (written != nullptr) *written = count;
    } catch (...) {
        collection.warnings = std::move(warnings);
        throw;
    }
    collection.sets.push_back(std::move(described));
    collection.warnings = std::move(warnings);
}

}  // namespace

extern "C" {

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_core_version(void) { return VEZUVED_CORE_VERSION; }

VEZUVED_CORE_API vezuved_collection* VEZUVED_CORE_CALL vezuved_collection_new(void) {
    return new (std::nothrow) vezuved_collection();
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_collection_free(vezuved_collection* collection) {
    delete collection;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read(vezuved_collection* collection,
                                                        const char* path,
                                                        const vezuved_read_options* options) {
    return Run(collection, [&] { ReadFile(*collection, path, options); });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write(vezuved_collection* collection,
                                                         const char* path,
                                                         const vezuved_write_options* options) {
    return Run(collection, [&] { WriteFile(*collection, path, options); });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_to(vezuved_collection* collection,
                                                            const char* name,
                                                            vezuved_write_function write,
                                                            void* context,
                                                            const vezuved_write_options* options) {
    return Run(collection, [&] { WriteToCallback(*collection, name, write, context, options); });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_make_definition(vezuved_collection* collection,
                                                                   const char* path,
                                                                   int32_t flags,
                                                                   vezuved_write_function write,
                                                                   void* context) {
    return Run(collection, [&] {
        collection->warnings.clear();
        if (path == nullptr || write == nullptr)
            FailCore(VEZUVED_ERROR_ARGUMENT, "no path or no receiver was given to make a definition");
        if ((flags & ~VEZUVED_MAKE_ISO_TIMES) != 0)
            FailCore(VEZUVED_ERROR_ARGUMENT, std::to_string(flags) + " are no flags of a made definition");
        const std::string text =
            MakeDefinition(path, (flags & VEZUVED_MAKE_ISO_TIMES) != 0, collection->warnings);
        if (write(context, text.data(), static_cast<int64_t>(text.size())) != 0)
            FailCore(VEZUVED_ERROR_WRITE,
                     "the definition made for '" + std::string(path) + "' was not taken");
    });
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_error_message(const vezuved_collection* collection) {
    return collection != nullptr ? collection->error.c_str() : "no collection was given";
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_warning_count(const vezuved_collection* collection) {
    return collection != nullptr ? static_cast<int32_t>(collection->warnings.size()) : -1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_warning(const vezuved_collection* collection,
                                                               int32_t index,
                                                               vezuved_warning* warning) {
    if (collection == nullptr || warning == nullptr || index < 0 ||
        static_cast<size_t>(index) >= collection->warnings.size()) {
        return VEZUVED_ERROR_ARGUMENT;
    }
    const maps::MapWarning& found = collection->warnings[static_cast<size_t>(index)];
    *warning = vezuved_warning{};
    warning->line = static_cast<int64_t>(found.line);
    warning->file = found.file.c_str();
    warning->cause = found.cause.c_str();
    warning->message = found.message.c_str();
    warning->column = found.column;
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_count(const vezuved_collection* collection) {
    return collection != nullptr ? static_cast<int32_t>(collection->sets.size()) : -1;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_kind(const vezuved_collection* collection,
                                                            int32_t set) {
    return HasSet(collection, set) ? collection->sets[static_cast<size_t>(set)].kind : -1;
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_set_name(const vezuved_collection* collection,
                                                                int32_t set) {
    return HasSet(collection, set) ? collection->sets[static_cast<size_t>(set)].title.c_str() : nullptr;
}

VEZUVED_CORE_API int64_t VEZUVED_CORE_CALL vezuved_set_point_count(const vezuved_collection* collection,
                                                                   int32_t set) {
    return HasSet(collection, set)
               ? static_cast<int64_t>(collection->sets[static_cast<size_t>(set)].points.size())
               : -1;
}

namespace {

// The point at index of set; null when either is out of range.
const maps::Point* PointAt(const vezuved_collection* collection, int32_t set, int64_t index) {
    if (!HasSet(collection, set)) return nullptr;
    const std::vector<maps::Point>& points = collection->sets[static_cast<size_t>(set)].points;
    if (index < 0 || static_cast<uint64_t>(index) >= points.size()) return nullptr;
    return &points[static_cast<size_t>(index)];
}

// The point a call changes; fails (VEZUVED_ERROR_ARGUMENT) for a set or
// index out of range.
maps::Point& ChangedPoint(vezuved_collection* collection, int32_t set, int64_t index) {
    if (!HasSet(collection, set)) FailCore(VEZUVED_ERROR_ARGUMENT, "there is no set " + std::to_string(set));
    std::vector<maps::Point>& points = collection->sets[static_cast<size_t>(set)].points;
    if (index < 0 || static_cast<uint64_t>(index) >= points.size())
        FailCore(VEZUVED_ERROR_ARGUMENT, "the set has no point " + std::to_string(index));
    return points[static_cast<size_t>(index)];
}

}  // namespace

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_point(const vezuved_collection* collection,
                                                             int32_t set,
                                                             int64_t index,
                                                             vezuved_point* point) {
    const maps::Point* held = PointAt(collection, set, index);
    if (held == nullptr || point == nullptr) return VEZUVED_ERROR_ARGUMENT;
    *point = PublicPoint(*held);
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_elevation_feet(const vezuved_collection* collection,
                                                                      int32_t set,
                                                                      int64_t index,
                                                                      double* feet) {
    const maps::Point* held = PointAt(collection, set, index);
    if (held == nullptr || feet == nullptr) return VEZUVED_ERROR_ARGUMENT;
    const maps::Point& point = *held;
    if (point.elevationFeet) {
        *feet = *point.elevationFeet;
    } else if (point.elevationMetres) {
        *feet = *point.elevationMetres / maps::kMetresPerFoot;
    } else {
        return VEZUVED_ERROR_FORMAT;
    }
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_get_elevation_feet_text(
    const vezuved_collection* collection, int32_t set, int64_t index, char* out, int32_t size) {
    const maps::Point* held = PointAt(collection, set, index);
    if (held == nullptr || out == nullptr || size <= 0) return VEZUVED_ERROR_ARGUMENT;
    if (!held->elevationFeet || held->feetDecimals < 0) return VEZUVED_ERROR_FORMAT;
    const std::string text = maps::FormatFixed(*held->elevationFeet, held->feetDecimals);
    if (text.size() >= static_cast<size_t>(size)) return VEZUVED_ERROR_ARGUMENT;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size());
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_elevation_feet_text(vezuved_collection* collection,
                                                                           int32_t set,
                                                                           int64_t index,
                                                                           const char* text) {
    return Run(collection, [&] {
        maps::Point& point = ChangedPoint(collection, set, index);
        const std::string given = CheckedText(text, "the elevation");
        const std::optional<double> feet = maps::ParseNumber(given);
        // At most 17 digits are written back as given, so the metres are finite too.
        const int decimals = feet ? maps::DecimalsAsWritten(given, *feet) : -1;
        if (!feet || decimals < 0)
            FailCore(VEZUVED_ERROR_FORMAT, "'" + given + "' is no elevation in feet a record holds");
        point.elevationFeet = *feet;
        point.elevationMetres = *feet * maps::kMetresPerFoot;
        point.feetDecimals = static_cast<int8_t>(decimals);
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_set(vezuved_collection* collection,
                                                           int32_t kind,
                                                           const char* name) {
    int32_t index = VEZUVED_ERROR_ARGUMENT;
    const int32_t result = Run(collection, [&] {
        if (kind != VEZUVED_SET_WAYPOINTS && kind != VEZUVED_SET_TRACK && kind != VEZUVED_SET_ROUTE) {
            FailCore(VEZUVED_ERROR_ARGUMENT, std::to_string(kind) + " is no kind of set");
        }
        maps::PointSet set;
        set.kind = kind;
        set.title = CheckedText(name, "the set's name");
        collection->sets.push_back(std::move(set));
        index = static_cast<int32_t>(collection->sets.size() - 1);
    });
    return result == VEZUVED_OK ? index : result;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_point(vezuved_collection* collection,
                                                             int32_t set,
                                                             const vezuved_point* point) {
    return AppendPoint(collection, set, point, "point", [&] { return PointFromPublic(*point); });
}

// --- Since 1.1: a text's layout over its definition, exact copies of points.

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_text_options_init(vezuved_text_options* options) {
    if (options == nullptr) return;
    *options = vezuved_text_options{};
    options->layout = VEZUVED_TEXT_AS_DEFINED;
    options->kind = VEZUVED_TEXT_AS_DEFINED;
    options->elevation_format = VEZUVED_TEXT_AS_DEFINED;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read_text(vezuved_collection* collection,
                                                             const char* path,
                                                             const vezuved_read_options* options,
                                                             const vezuved_text_options* text) {
    return Run(collection, [&] { ReadFile(*collection, path, options, text); });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_visit_text(vezuved_collection* collection,
                                                              const char* path,
                                                              const vezuved_read_options* options,
                                                              const vezuved_text_options* text,
                                                              vezuved_point_function visit,
                                                              void* context) {
    return Run(collection, [&] {
        if (visit == nullptr) FailCore(VEZUVED_ERROR_ARGUMENT, "no function was given to take the points");
        const PointVisit each{visit, context};
        ReadFile(*collection, path, options, text, &each);
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_text_document(vezuved_collection* collection,
                                                                       const char* path,
                                                                       const vezuved_read_options* read,
                                                                       const vezuved_text_options* text,
                                                                       vezuved_write_function write,
                                                                       void* context,
                                                                       const vezuved_write_options* options,
                                                                       int64_t* points) {
    return Run(collection,
               [&] { WriteTextToCallback(*collection, path, read, text, write, context, options, points); });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_text(vezuved_collection* collection,
                                                              const char* path,
                                                              const vezuved_write_options* options,
                                                              const vezuved_text_options* text) {
    return Run(collection, [&] { WriteFile(*collection, path, options, text); });
}

namespace {

// Fails unless the collection has the set and the source its source set.
void RequireSets(const vezuved_collection* collection,
                 int32_t set,
                 const vezuved_collection* source,
                 int32_t sourceSet) {
    if (!HasSet(collection, set)) FailCore(VEZUVED_ERROR_ARGUMENT, "there is no set " + std::to_string(set));
    if (!HasSet(source, sourceSet))
        FailCore(VEZUVED_ERROR_ARGUMENT, "the source has no set " + std::to_string(sourceSet));
}

}  // namespace

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_copy_extras(vezuved_collection* collection,
                                                               int32_t set,
                                                               int64_t index,
                                                               const vezuved_collection* source,
                                                               int32_t source_set,
                                                               int64_t source_index) {
    return Run(collection, [&] {
        RequireSets(collection, set, source, source_set);
        maps::PointSet& to = collection->sets[static_cast<size_t>(set)];
        const maps::PointSet& from = source->sets[static_cast<size_t>(source_set)];
        if (index == -1 && source_index == -1) {
            to.extras = from.extras;
            return;
        }
        if (index < 0 || static_cast<uint64_t>(index) >= to.points.size() || source_index < 0 ||
            static_cast<uint64_t>(source_index) >= from.points.size()) {
            FailCore(VEZUVED_ERROR_ARGUMENT,
                     "point " + std::to_string(index) + " or the source's point " +
                         std::to_string(source_index) + " is not in its set");
        }
        to.points[static_cast<size_t>(index)].extras = from.points[static_cast<size_t>(source_index)].extras;
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_copy_points(vezuved_collection* collection,
                                                               int32_t set,
                                                               const vezuved_collection* source,
                                                               int32_t source_set,
                                                               int64_t first,
                                                               int64_t count) {
    return Run(collection, [&] {
        RequireSets(collection, set, source, source_set);
        const std::vector<maps::Point>& from = source->sets[static_cast<size_t>(source_set)].points;
        if (first < 0 || count < 0 || static_cast<uint64_t>(first) > from.size() ||
            static_cast<uint64_t>(count) > from.size() - static_cast<size_t>(first)) {
            FailCore(VEZUVED_ERROR_ARGUMENT,
                     "points " + std::to_string(first) + " and " + std::to_string(count) +
                         " after it are not all in the source's set");
        }
        std::vector<maps::Point>& to = collection->sets[static_cast<size_t>(set)].points;
        const size_t begin = static_cast<size_t>(first);
        const size_t end = begin + static_cast<size_t>(count);
        const bool wasEmpty = to.empty();
        if (collection == source && set == source_set) {
            // Copied first: appending may move the points being copied.
            std::vector<maps::Point> copied(from.begin() + static_cast<std::ptrdiff_t>(begin),
                                            from.begin() + static_cast<std::ptrdiff_t>(end));
            to.insert(to.end(), copied.begin(), copied.end());
        } else {
            to.insert(to.end(),
                      from.begin() + static_cast<std::ptrdiff_t>(begin),
                      from.begin() + static_cast<std::ptrdiff_t>(end));
        }
        // A set's first point begins no segment.
        if (wasEmpty && !to.empty()) to.front().segmentStart = false;
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_set_segment_start(vezuved_collection* collection,
                                                                     int32_t set,
                                                                     int64_t index,
                                                                     int32_t segment_start) {
    return Run(collection,
               [&] { ChangedPoint(collection, set, index).segmentStart = index > 0 && segment_start != 0; });
}

// --- Since 1.2: a host's records.

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_add_record(vezuved_collection* collection,
                                                              int32_t set,
                                                              const void* record) {
    return AppendPoint(collection, set, record, "record", [&] {
        return PointOfRecord(*static_cast<const PointRecord*>(record), maps::RecordEncoding::Windows1252);
    });
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_database_get_facts(vezuved_collection* collection,
                                                                      const char* path,
                                                                      vezuved_database_facts* facts) {
    return Run(collection, [&] {
        if (path == nullptr || facts == nullptr)
            FailCore(VEZUVED_ERROR_ARGUMENT, "no path or no facts were given");
        const DatabaseFacts read = ReadDatabaseFacts(path);
        *facts = vezuved_database_facts{read.kind, read.layout, read.version, read.records};
    });
}

}  // extern "C"
