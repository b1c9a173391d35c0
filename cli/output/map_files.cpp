#include "output/map_files.h"

#include <iostream>

#include "output/geojson_output.h"
#include "output/gpx_output.h"
#include "support/failure.h"
#include "support/file_output.h"

namespace vezuved_cli {
namespace {

void WarnAboutPositions(const PointSet& set) {
    size_t missing = 0;
    for (const Point& point : set.points) missing += HasValidPosition(point) ? 0 : 1;
    if (missing > 0) {
        std::cerr << "vezuved: " << missing << " point(s) of '" << set.title
                  << "' have no valid position and are left out\n";
    }
}

}  // namespace

std::string RenderMap(MapFormat format, const std::vector<PointSet>& sets, const MapOptions&) {
    for (const PointSet& set : sets) WarnAboutPositions(set);
    switch (format) {
        case MapFormat::Gpx:
            return WriteGpx(sets, ToolName());
        case MapFormat::GeoJson:
            return WriteGeoJson(sets);
        default:
            FailUsage("this build of the tool cannot draw or write KML yet");
    }
}

void SaveMap(const std::string& path, MapFormat format, const std::vector<PointSet>& sets,
             const MapOptions& options) {
    WriteFileOrFail(path, RenderMap(format, sets, options));
}

}  // namespace vezuved_cli
