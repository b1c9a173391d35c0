#include "conversion/records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <utility>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/tool_paths.h"
#include "values/numbers.h"
#include "values/point_sets.h"

namespace vezuved_cli {

CoreCollection::CoreCollection() : handle_(vezuved_collection_new()) {
    if (handle_ == nullptr) throw std::bad_alloc();
}

std::string BaseTitle(const std::string& path) { return TextOf(PathOf(path).stem()); }

std::string TitleOf(const std::string& path, const std::string& what) {
    return what == path ? BaseTitle(path) : what;
}

// text with each path in it named as people gave it (what).
std::string NamedAs(std::string text, const std::string& path, const std::string& what) {
    if (path.empty() || what == path) return text;
    for (size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + what.size()))
        text.replace(at, path.size(), what);
    return text;
}

void SayWarnings(std::ostream& err,
                 const CoreCollection& collection,
                 const std::string& prefix,
                 const std::string& path,
                 const std::string& what) {
    const int32_t warnings = vezuved_warning_count(collection.get());
    for (int32_t i = 0; i < warnings; ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection.get(), i, &warning) == VEZUVED_OK)
            err << prefix << NamedAs(warning.message, path, what) << "\n";
    }
}

vezuved_database_facts ReadDatabaseFacts(const std::string& path) {
    RequireInputFile(path, "database");
    CoreCollection collection;
    vezuved_database_facts facts{};
    if (vezuved_database_get_facts(collection.get(), path.c_str(), &facts) != VEZUVED_OK)
        FailConversion(vezuved_error_message(collection.get()));
    return facts;
}

Point PointOf(const vezuved_point& read) {
    Point point;
    point.latitude = read.latitude;
    point.longitude = read.longitude;
    if (read.has_elevation != 0) {
        point.elevationMetres = read.elevation;
        point.elevationFeet = read.elevation / kMetresPerFoot;
    }
    if (read.has_time != 0) point.time = read.time;
    point.segmentStart = read.segment_start != 0;
    point.name = read.name;
    point.icon = read.symbol;
    if (read.description != nullptr) point.description = read.description;
    return point;
}

std::vector<LoadedPoints> ReadThroughCore(std::ostream& err,
                                          const std::string& path,
                                          const std::string& what,
                                          int32_t format,
                                          bool strict,
                                          bool hold) {
    const bool database = format == VEZUVED_FORMAT_PDB;
    auto source = std::make_shared<CoreCollection>();
    vezuved_read_options read{};
    read.format = format;
    read.strict = strict ? 1 : 0;
    const int32_t result = vezuved_read(source->get(), path.c_str(), &read);
    // A copy of standard input is named as people gave it.
    SayWarnings(err, *source, database ? "" : "vezuved: ", path, what);
    if (result != VEZUVED_OK) FailConversion(NamedAs(vezuved_error_message(source->get()), path, what));
    std::vector<LoadedPoints> sets(static_cast<size_t>(std::max(vezuved_set_count(source->get()), 0)));
    for (size_t s = 0; s < sets.size(); ++s) {
        LoadedPoints& loaded = sets[s];
        loaded.source = source;
        loaded.sourceSet = static_cast<int32_t>(s);
        loaded.held = false;
        loaded.set.kind = vezuved_set_kind(source->get(), loaded.sourceSet);
        loaded.set.title = database ? TitleOf(path, what) : vezuved_set_name(source->get(), loaded.sourceSet);
        if (hold) HoldPoints(loaded);
    }
    return sets;
}

void HoldPoints(LoadedPoints& points) {
    if (points.held) return;
    const vezuved_collection* source = points.source->get();
    // Shares the collection's keeping: the points may outlive this set.
    const std::shared_ptr<const vezuved_collection> origin(points.source, source);
    const int64_t count = vezuved_set_point_count(source, points.sourceSet);
    points.set.points.reserve(static_cast<size_t>(std::max<int64_t>(count, 0)));
    for (int64_t i = 0; i < count; ++i) {
        vezuved_point read{};
        if (vezuved_get_point(source, points.sourceSet, i, &read) != VEZUVED_OK)
            FailConversion("cannot hold the points of '" + points.set.title +
                           "': " + vezuved_error_message(source));
        points.set.points.push_back(PointOf(read));
        points.set.points.back().origin = origin;
        points.set.points.back().originSet = points.sourceSet;
        points.set.points.back().originIndex = i;
        // The feet as the file wrote them, where it did.
        double feet = 0;
        if (vezuved_get_elevation_feet(source, points.sourceSet, i, &feet) == VEZUVED_OK)
            points.set.points.back().elevationFeet = feet;
    }
    points.set.origin = origin;
    points.set.originSet = points.sourceSet;
    points.held = true;
}

size_t PointCount(const LoadedPoints& points) {
    if (points.held) return points.set.points.size();
    return static_cast<size_t>(
        std::max<int64_t>(vezuved_set_point_count(points.source->get(), points.sourceSet), 0));
}

namespace {

// The points of set appended to the set index of collection. Every held
// point was read with a position, which the core checks again: a point
// without one (NaN) is refused there, with its reason, rather than left out.
void AddHeldPoints(CoreCollection& collection, int32_t index, const PointSet& set) {
    int64_t added = vezuved_set_point_count(collection.get(), index);
    for (const Point& point : set.points) {
        vezuved_point placed{};
        placed.latitude = point.latitude.value_or(std::nan(""));
        placed.longitude = point.longitude.value_or(std::nan(""));
        if (point.elevationMetres) {
            placed.has_elevation = 1;
            placed.elevation = *point.elevationMetres;
        } else if (point.elevationFeet) {
            placed.has_elevation = 1;
            placed.elevation = *point.elevationFeet * kMetresPerFoot;
        }
        if (point.time) {
            placed.has_time = 1;
            placed.time = *point.time;
        }
        placed.segment_start = point.segmentStart ? 1 : 0;
        placed.name = point.name.c_str();
        placed.symbol = point.icon.c_str();
        placed.description = point.description ? point.description->c_str() : nullptr;
        if (vezuved_add_point(collection.get(), index, &placed) != VEZUVED_OK ||
            (point.origin != nullptr &&
             vezuved_copy_extras(
                 collection.get(), index, added, point.origin.get(), point.originSet, point.originIndex) !=
                 VEZUVED_OK))
            FailConversion(vezuved_error_message(collection.get()));
        ++added;
    }
}

}  // namespace

void AppendLoadedPoints(CoreCollection& collection, int32_t set, const LoadedPoints& points) {
    if (!points.source) {
        AddHeldPoints(collection, set, points.set);
        return;
    }
    const vezuved_collection* source = points.source->get();
    if (vezuved_copy_points(collection.get(),
                            set,
                            source,
                            points.sourceSet,
                            0,
                            vezuved_set_point_count(source, points.sourceSet)) != VEZUVED_OK) {
        FailConversion(vezuved_error_message(collection.get()));
    }
}

void CopySetExtras(CoreCollection& collection, int32_t set, const LoadedPoints& points) {
    const vezuved_collection* origin = points.source ? points.source->get() : points.set.origin.get();
    const int32_t originSet = points.source ? points.sourceSet : points.set.originSet;
    if (origin != nullptr &&
        vezuved_copy_extras(collection.get(), set, -1, origin, originSet, -1) != VEZUVED_OK)
        FailConversion(vezuved_error_message(collection.get()));
}

void AddLoadedSet(CoreCollection& collection, const LoadedPoints& points, int32_t kind) {
    const int32_t set = vezuved_add_set(collection.get(), SetKindFor(kind), points.set.title.c_str());
    if (set < 0) FailConversion(vezuved_error_message(collection.get()));
    CopySetExtras(collection, set, points);
    AppendLoadedPoints(collection, set, points);
}

int32_t SetKindFor(int32_t kind) {
    return kind == VEZUVED_KIND_TRACK_OLD   ? VEZUVED_SET_TRACK
           : kind == VEZUVED_KIND_ROUTE_OLD ? VEZUVED_SET_ROUTE
                                            : kind;
}

namespace {

constexpr size_t kMostRecords = 65535;

size_t SegmentCountOf(const LoadedPoints& points) {
    if (points.held) return SegmentCount(points.set);
    const vezuved_collection* source = points.source->get();
    // Shares the collection's keeping: the points may outlive this set.
    const std::shared_ptr<const vezuved_collection> origin(points.source, source);
    const int64_t count = vezuved_set_point_count(source, points.sourceSet);
    size_t segments = 1;
    for (int64_t i = 1; i < count; ++i) {
        vezuved_point read{};
        if (vezuved_get_point(source, points.sourceSet, i, &read) == VEZUVED_OK && read.segment_start != 0)
            ++segments;
    }
    return segments;
}

}  // namespace

std::vector<LoadedPoints> SplitSegments(std::vector<LoadedPoints> sets) {
    std::vector<LoadedPoints> split;
    for (LoadedPoints& loaded : sets) {
        // A set of one segment stays as it was read.
        if (SegmentCountOf(loaded) < 2) {
            split.push_back(std::move(loaded));
            continue;
        }
        HoldPoints(loaded);
        for (PointSet& set : SplitSegments(std::move(loaded.set))) {
            split.emplace_back();
            split.back().set = std::move(set);
        }
    }
    return split;
}

void RequireDatabaseSize(const std::string& path, const LoadedPoints& points) {
    const size_t count = PointCount(points);
    if (count > kMostRecords) {
        FailConversion("cannot write the database '" + path + "': '" + points.set.title + "' has " +
                       std::to_string(count) + " points and a database holds at most 65535");
    }
}

void WriteDatabase(const RunContext& run, const std::string& path, LoadedPoints& points, int32_t kind) {
    RequireDatabaseSize(path, points);
    const bool older = kind == VEZUVED_KIND_TRACK_OLD || kind == VEZUVED_KIND_ROUTE_OLD;
    if (!older && kind != VEZUVED_KIND_POINT && kind != VEZUVED_KIND_TRACK && kind != VEZUVED_KIND_ROUTE) {
        // Of the kinds --kind names, datums are the ones no database of points holds.
        FailUsage("cannot write the database '" + path +
                  "': a database the tool writes holds points, a track or a route, not " +
                  (kind == VEZUVED_KIND_DATUM ? std::string("datums") : "kind " + std::to_string(kind)));
    }
    CoreCollection collection;
    run.err << JoinedSegmentsWarning(path, points.set, SegmentCountOf(points));
    AddLoadedSet(collection, points, kind);
    vezuved_write_options write{};
    write.format = older ? VEZUVED_FORMAT_PDB_OLDER : VEZUVED_FORMAT_PDB;
    const int32_t result = vezuved_write(collection.get(), path.c_str(), &write);
    SayWarnings(run.err, collection, "vezuved: warning: ");
    if (result != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
}

void RequireWritableDefinition(const std::string& output, const std::string& definition) {
    const std::string title = WritingDefinitionTitle(definition);
    if (IsImportOnly(title)) {
        FailUsage("cannot write '" + output + "' through '" + definition + "': the format '" + title +
                  "' can be read but not written back the same way");
    }
}

void WriteText(const RunContext& run,
               const std::string& path,
               LoadedPoints& points,
               const TextOptions& options) {
    std::string definition = options.definition;
    if (definition.empty()) {
        const std::string own = DefinitionPathFor(path);
        std::error_code error;
        if (std::filesystem::is_regular_file(PathOf(own), error)) definition = own;
    }
    if (!definition.empty()) {
        RequireWritableDefinition(path, definition);
    } else if (!options.layout && !options.columns && !IsRecordLineFile(path)) {
        FailUsage("cannot write '" + path +
                  "': nothing says what its columns are to hold (no definition, no '" +
                  DefinitionPathFor(path) + "', no record-line extension); give a format definition (.cal)");
    }
    CoreCollection collection;
    run.err << JoinedSegmentsWarning(path, points.set, SegmentCountOf(points));
    AddLoadedSet(collection, points, options.kind.value_or(points.set.kind));
    vezuved_write_options write{};
    write.format = VEZUVED_FORMAT_TEXT;
    write.definition_path = definition.empty() ? nullptr : definition.c_str();
    const vezuved_text_options text = CoreTextOptions(options);
    const int32_t result = vezuved_write_text(collection.get(), path.c_str(), &write, &text);
    SayWarnings(run.err, collection, "vezuved: warning: ");
    if (result != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
}

}  // namespace vezuved_cli
