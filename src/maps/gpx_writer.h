// GPX 1.1: points as wpt, a route as rte/rtept, a track as trk with one
// trkseg per segment; elevation in metres, time in UTC. Points without a
// valid position are left out, since GPX requires one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maps/document_sink.h"
#include "maps/line_walk.h"
#include "sets/points.h"

namespace vezuved::maps {

void WriteGpx(DocumentSink& sink, const std::vector<PointSet>& sets, std::string_view creator);

// A GPX route has no segments: the routes of several, whose segments the
// document joins, with their counts ("route 'A': 3 segments joined (...)");
// empty when there are none. facts: ScanLines(sets).
std::string JoinedRouteSegments(const std::vector<PointSet>& sets, const std::vector<LineFacts>& facts);

}  // namespace vezuved::maps
