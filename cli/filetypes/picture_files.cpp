#include "filetypes/picture_files.h"

#include <memory>
#include <string>

#include "files/failure.h"
#include "filters/geodesy.h"
#include "filters/track_stats.h"
#include "output/line_walk.h"
#include "output/stats_output.h"
#include "vezuved/vezuved_core.h"

namespace vezuved_cli {
namespace {

using Collection = std::unique_ptr<vezuved_collection, decltype(&vezuved_collection_free)>;

[[noreturn]] void FailCore(const vezuved_collection* collection) {
    FailConversion(vezuved_error_message(collection));
}

// A picture places only valid positions: the others are left out, and the
// segment a left-out point began begins at the next one placed.
Collection PictureCollection(const std::vector<PointSet>& sets) {
    Collection collection(vezuved_collection_new(), &vezuved_collection_free);
    if (!collection) FailConversion("memory ran out");
    for (const PointSet& set : sets) {
        const int32_t index = vezuved_add_set(collection.get(), set.kind, set.title.c_str());
        if (index < 0) FailCore(collection.get());
        bool pending = false;
        ForEachPoint(set, [&](const Point& point) {
            pending = pending || point.segmentStart;
            if (!HasValidPosition(point)) return;
            vezuved_point placed{};
            placed.latitude = *point.latitude;
            placed.longitude = *point.longitude;
            if (const auto metres = WrittenElevation(point)) {
                placed.has_elevation = 1;
                placed.elevation = *metres;
            }
            placed.segment_start = pending ? 1 : 0;
            placed.name = point.name.c_str();
            pending = false;
            if (vezuved_add_point(collection.get(), index, &placed) != VEZUVED_OK) FailCore(collection.get());
        });
    }
    return collection;
}

int32_t VEZUVED_CORE_CALL WriteToSink(void* context, const char* bytes, int64_t size) {
    static_cast<DocumentSink*>(context)->Write(std::string_view(bytes, static_cast<size_t>(size)));
    return 0;
}

void WritePicture(DocumentSink& sink, const std::vector<PointSet>& sets, vezuved_write_options& options) {
    const Collection collection = PictureCollection(sets);
    if (vezuved_write_to(collection.get(), "picture", WriteToSink, &sink, &options) != VEZUVED_OK) {
        FailCore(collection.get());
    }
}

}  // namespace

void WriteSvgPicture(DocumentSink& sink, const std::vector<PointSet>& sets) {
    vezuved_write_options options{};
    options.format = VEZUVED_FORMAT_SVG;
    WritePicture(sink, sets, options);
}

void WriteHtmlPicture(DocumentSink& sink, const std::vector<PointSet>& sets) {
    vezuved_write_options options{};
    options.format = VEZUVED_FORMAT_HTML;
    // The figures above the map; a build that cannot measure says so instead.
    std::vector<const char*> cells;
    std::vector<std::vector<std::string>> table;
    if (HaveEllipsoidDistances()) {
        std::vector<TrackStats> stats;
        for (const PointSet& set : sets) stats.push_back(ComputeStats(set, StatsOptions()));
        table = StatsTable(stats);
        for (const std::vector<std::string>& row : table) {
            for (const std::string& cell : row) cells.push_back(cell.c_str());
        }
        options.page_cells = cells.empty() ? nullptr : cells.data();
        options.page_rows = static_cast<int32_t>(table.size());
        options.page_columns = table.empty() ? 0 : static_cast<int32_t>(table.front().size());
    } else {
        options.page_note = "No figures: this build of vezuved has no GeographicLib to measure tracks.";
    }
    WritePicture(sink, sets, options);
}

}  // namespace vezuved_cli
