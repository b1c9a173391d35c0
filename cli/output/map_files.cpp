#include "output/map_files.h"

#include <iostream>

#include "output/geojson_output.h"
#include "output/gpx_output.h"

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

std::string RenderGpx(const PointSet& set) {
    WarnAboutPositions(set);
    return WriteGpx(set, ToolName());
}

std::string RenderGeoJson(const PointSet& set) {
    WarnAboutPositions(set);
    return WriteGeoJson(set);
}

}  // namespace vezuved_cli
