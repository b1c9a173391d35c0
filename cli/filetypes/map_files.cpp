#include "filetypes/map_files.h"

#include <ostream>

#include "files/failure.h"
#include "files/file_output.h"
#include "output/geojson_output.h"
#include "output/gpx_output.h"

using namespace vezuved;

namespace vezuved_cli {

const char* ToolName() { return "vezuved " VEZUVED_TOOL_VERSION; }

namespace {

// Each set's facts, found in one walk, with a warning for what the
// document leaves out or joins.
std::vector<LineFacts> CheckSets(std::ostream& err, MapFormat format, const std::vector<PointSet>& sets) {
    std::vector<LineFacts> facts = ScanLines(sets);
    for (size_t i = 0; i < sets.size(); ++i) {
        const size_t missing = facts[i].count - facts[i].valid;
        if (missing > 0) {
            err << "vezuved: " << missing << " point(s) of '" << sets[i].title
                << "' have no valid position and are left out\n";
        }
    }
    if (format == MapFormat::Gpx) {
        const std::string joined = JoinedRouteSegments(sets, facts);
        if (!joined.empty()) err << "vezuved: " << joined << "\n";
    }
    size_t drawable = 0;
    for (const LineFacts& set : facts) drawable += set.valid;
    if ((format == MapFormat::Svg || format == MapFormat::Html) && drawable == 0) {
        std::string names;
        for (const PointSet& set : sets) names += (names.empty() ? "'" : ", '") + set.title + "'";
        FailConversion("nothing to draw: no point of " + (names.empty() ? std::string("the input") : names) +
                       " has a valid position");
    }
    return facts;
}

void WriteMap(DocumentSink& sink,
              MapFormat format,
              const std::vector<PointSet>& sets,
              const MapOptions& options,
              const std::vector<LineFacts>& facts) {
    FormatOf(format).writer(sink, sets, options, facts);
}

}  // namespace

std::string RenderMap(std::ostream& err,
                      MapFormat format,
                      const std::vector<PointSet>& sets,
                      const MapOptions& options) {
    const std::vector<LineFacts> facts = CheckSets(err, format, sets);
    std::string text;
    DocumentSink sink(text);
    WriteMap(sink, format, sets, options, facts);
    return text;
}

std::vector<size_t> SaveMap(std::ostream& err,
                            const std::string& path,
                            MapFormat format,
                            const std::vector<PointSet>& sets,
                            const MapOptions& options) {
    const std::vector<LineFacts> facts = CheckSets(err, format, sets);
    WriteFileOrFail(path, [&](DocumentSink& sink) { WriteMap(sink, format, sets, options, facts); });
    // The run's plan named the points file apart from every input and output.
    if (format == MapFormat::GeoJson && !options.pointsFile.empty()) {
        WriteFileOrFail(options.pointsFile,
                        [&](DocumentSink& sink) { WriteGeoJsonPoints(sink, sets, options.compact); });
    }
    std::vector<size_t> counts;
    for (const LineFacts& set : facts) counts.push_back(set.count);
    return counts;
}

std::string PointsFilePath(const std::string& geojsonPath) {
    const size_t slash = geojsonPath.find_last_of("/\\");
    size_t dot = geojsonPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = geojsonPath.size();
    return geojsonPath.substr(0, dot) + "-points.geojson";
}

}  // namespace vezuved_cli
