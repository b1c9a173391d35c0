#include "conversion/text_stream.h"

#include <exception>
#include <functional>
#include <memory>
#include <sstream>

#include "conversion/core_text.h"
#include "files/failure.h"

namespace vezuved_cli {
namespace {

// One walk: each point made and handed on. What the tool's visitor throws
// is kept and thrown again once the core has returned, never through it.
struct Walk {
    TextPoints points;
    const std::function<void(const Point&)>* visit;
    int64_t count = 0;
    std::exception_ptr failure;
};

int32_t VEZUVED_CORE_CALL TakePoint(void* context, const vezuved_point* read) {
    Walk& walk = *static_cast<Walk*>(context);
    try {
        ++walk.count;
        if (walk.visit != nullptr) (*walk.visit)(walk.points.Of(*read));
        return 0;
    } catch (...) {
        walk.failure = std::current_exception();
        return 1;
    }
}

// Reads the text once, its reports on err; the number of points it gave.
int64_t WalkText(std::ostream& err,
                 const std::string& path,
                 const TextOptions& options,
                 CoreCollection& collection,
                 const std::function<void(const Point&)>* visit) {
    // Map documents take metres: the feet a text wrote need not be recovered.
    Walk walk{TextPoints(false), visit};
    try {
        ReadTextThroughCore(err, collection, path, options, TakePoint, &walk);
    } catch (...) {
        if (walk.failure) std::rethrow_exception(walk.failure);
        throw;
    }
    walk.points.Say(err, options.shownName.empty() ? path : options.shownName);
    return walk.count;
}

}  // namespace

PointSet StreamedTextSet(std::ostream& err, const std::string& path, const TextOptions& options) {
    CoreCollection collection;
    const int64_t count = WalkText(err, path, options, collection, nullptr);
    PointSet set;
    set.kind = vezuved_set_kind(collection.get(), 0);
    set.title = BaseTitle(path);
    set.reread = [path, options, count](const std::function<void(const Point&)>& visit) {
        // Said once, by the first reading: later walks keep their reports.
        std::ostringstream quiet;
        CoreCollection again;
        if (WalkText(quiet, path, options, again, &visit) != count) {
            FailConversion("cannot read the text file '" +
                           (options.shownName.empty() ? path : options.shownName) +
                           "': it changed while it was being converted");
        }
    };
    return set;
}

}  // namespace vezuved_cli
