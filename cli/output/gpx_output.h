// GPX 1.1: points as wpt, a route as rte/rtept, a track as trk/trkseg/trkpt;
// elevation in metres, time in UTC. Points without a valid position are
// left out, since GPX requires one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/points.h"
#include "support/text_sink.h"

namespace vezuved_cli {

void WriteGpx(TextSink& sink, const std::vector<PointSet>& sets, std::string_view creator);

}  // namespace vezuved_cli
