#include "core/streamed_text.h"

#include <optional>
#include <utility>
#include <vector>

#include "core/core_failure.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

int64_t WriteTextDocument(maps::DocumentSink& sink,
                          const std::string& name,
                          const TextReadRequest& request,
                          const MapWriteRequest& write,
                          bool asPoints,
                          maps::MapWarnings& warnings,
                          maps::PointSet& described) {
    described = DescribeTextFile(request);
    std::vector<maps::PointSet> sets(1);
    sets.front().title = described.title;
    sets.front().kind = asPoints ? VEZUVED_SET_WAYPOINTS : described.kind;
    // The first pass says what it left out; the later ones read the same
    // file again and must find as many points.
    std::optional<int64_t> count;
    sets.front().reread = [&](const std::function<void(const maps::Point&)>& visit) {
        maps::MapWarnings again;
        int64_t seen = 0;
        VisitTextFile(request, count ? again : warnings, [&](maps::Point& point, const maps::PointSet&) {
            ++seen;
            visit(point);
        });
        if (count && *count != seen) {
            FailCore(VEZUVED_ERROR_FORMAT,
                     "cannot read '" + request.path + "': it changed while it was being converted");
        }
        count = seen;
    };
    WriteMapDocument(sink, name, sets, write, warnings);
    // A writer that walks nothing (no pass yet) still reads the text once.
    if (!count) sets.front().reread([](const maps::Point&) {});
    return *count;
}

}  // namespace vezuved::core
