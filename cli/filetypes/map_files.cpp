#include "filetypes/map_files.h"

#include <ostream>
#include <sstream>
#include <utility>

#include "conversion/core_text.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "filters/geodesy.h"
#include "filters/track_stats.h"
#include "output/stats_output.h"
#include "values/numbers.h"

namespace vezuved_cli {

const char* ToolName() { return "vezuved " VEZUVED_TOOL_VERSION; }

namespace {

[[noreturn]] void FailWrite(const CoreCollection& collection) {
    FailConversion(vezuved_error_message(collection.get()));
}

bool AreWholeSource(const std::vector<LoadedPoints>& sets) {
    if (sets.empty() || !sets.front().source) return false;
    const vezuved_collection* source = sets.front().source->get();
    if (vezuved_set_count(source) != static_cast<int32_t>(sets.size())) return false;
    for (size_t i = 0; i < sets.size(); ++i) {
        const LoadedPoints& set = sets[i];
        if (set.source.get() != sets.front().source.get() || set.sourceSet != static_cast<int32_t>(i) ||
            set.set.kind != vezuved_set_kind(source, set.sourceSet) ||
            set.set.title != vezuved_set_name(source, set.sourceSet)) {
            return false;
        }
    }
    return true;
}

// The collection a document is written from: the one the sets were read
// into when they are all of it, unchanged and in order; else one made for
// the document, a set as the core read it copied, a changed one from its
// points.
std::shared_ptr<CoreCollection> DocumentCollection(const std::vector<LoadedPoints>& sets) {
    if (AreWholeSource(sets)) return sets.front().source;
    auto made = std::make_shared<CoreCollection>();
    for (const LoadedPoints& set : sets) AddLoadedSet(*made, set, set.set.kind);
    return made;
}

// What the core is asked: the document's format and its ways, the tool as
// the GPX's creator, an HTML page's figures (which the table keeps).
struct DocumentRequest {
    vezuved_write_options options{};
    std::vector<std::vector<std::string>> table;
    std::vector<const char*> cells;
};

void Prepare(DocumentRequest& request,
             MapFormat format,
             std::vector<LoadedPoints>& sets,
             const MapOptions& options) {
    request.options.format = static_cast<int32_t>(format) | (options.asPoints ? VEZUVED_WRITE_AS_POINTS : 0) |
                             (options.compact && format == MapFormat::GeoJson ? VEZUVED_WRITE_COMPACT : 0);
    request.options.creator = ToolName();
    if (format != MapFormat::Html) return;
    // The figures above the map; a build that cannot measure says so instead.
    if (!HaveEllipsoidDistances()) {
        request.options.page_note =
            "No figures: this build of vezuved has no GeographicLib to measure tracks.";
        return;
    }
    std::vector<TrackStats> stats;
    for (LoadedPoints& set : sets) {
        HoldPoints(set);
        stats.push_back(ComputeStats(set.set, StatsOptions()));
    }
    request.table = StatsTable(stats);
    for (const std::vector<std::string>& row : request.table) {
        for (const std::string& cell : row) request.cells.push_back(cell.c_str());
    }
    request.options.page_cells = request.cells.empty() ? nullptr : request.cells.data();
    request.options.page_rows = static_cast<int32_t>(request.table.size());
    request.options.page_columns =
        request.table.empty() ? 0 : static_cast<int32_t>(request.table.front().size());
}

std::string RenderFrom(std::ostream& err, CoreCollection& collection, const vezuved_write_options& options) {
    std::string text;
    const int32_t result =
        vezuved_write_to(collection.get(), "standard output", AppendToString, &text, &options);
    SayWarnings(err, collection, "vezuved: ");
    if (result != VEZUVED_OK) FailWrite(collection);
    return text;
}

void WriteFrom(std::ostream& err,
               CoreCollection& collection,
               const std::string& path,
               const vezuved_write_options& options) {
    if (path == "-") {
        WriteFileOrFail(path, RenderFrom(err, collection, options));
        return;
    }
    const int32_t result = vezuved_write(collection.get(), path.c_str(), &options);
    SayWarnings(err, collection, "vezuved: ");
    if (result != VEZUVED_OK) FailWrite(collection);
}

}  // namespace

std::vector<size_t> SaveDocument(std::ostream& err,
                                 const std::string& path,
                                 MapFormat format,
                                 std::vector<LoadedPoints>& sets,
                                 const MapOptions& options) {
    DocumentRequest request;
    Prepare(request, format, sets, options);
    const std::shared_ptr<CoreCollection> collection = DocumentCollection(sets);
    WriteFrom(err, *collection, path, request.options);
    // The run's plan named the points file apart from every input and output.
    if (format == MapFormat::GeoJson && !options.pointsFile.empty()) {
        vezuved_write_options points = request.options;
        points.format |= VEZUVED_WRITE_AS_POINTS;
        WriteFrom(err, *collection, options.pointsFile, points);
    }
    std::vector<size_t> counts;
    for (const LoadedPoints& set : sets) counts.push_back(PointCount(set));
    return counts;
}

std::string RenderDocument(std::ostream& err,
                           MapFormat format,
                           std::vector<LoadedPoints>& sets,
                           const MapOptions& options) {
    DocumentRequest request;
    Prepare(request, format, sets, options);
    return RenderFrom(err, *DocumentCollection(sets), request.options);
}

size_t SaveTextDocument(std::ostream& err,
                        const std::string& path,
                        MapFormat format,
                        const std::string& text,
                        const TextOptions& textOptions,
                        const MapOptions& options,
                        PointSet& described) {
    std::vector<LoadedPoints> none;
    DocumentRequest request;
    Prepare(request, format, none, options);
    // The document, then for --points a GeoJSON of its points beside it (the
    // run's plan named that file apart from every input and output); the
    // text's reports are said once.
    std::vector<std::pair<std::string, vezuved_write_options>> outputs = {{path, request.options}};
    if (format == MapFormat::GeoJson && !options.pointsFile.empty()) {
        outputs.emplace_back(options.pointsFile, request.options);
        outputs.back().second.format |= VEZUVED_WRITE_AS_POINTS;
    }
    StreamedText written;
    std::ostringstream again;
    for (size_t i = 0; i < outputs.size(); ++i) {
        WriteFileOrFail(outputs[i].first, [&](FileSink& sink) {
            const StreamedText made =
                WriteTextDocument(i == 0 ? err : again, sink, text, textOptions, outputs[i].second);
            if (i == 0) written = made;
        });
    }
    described.kind = written.kind;
    described.title = BaseTitle(text);
    return static_cast<size_t>(written.count);
}

std::string PointsFilePath(const std::string& geojsonPath) {
    const size_t slash = geojsonPath.find_last_of("/\\");
    size_t dot = geojsonPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = geojsonPath.size();
    return geojsonPath.substr(0, dot) + "-points.geojson";
}

}  // namespace vezuved_cli
