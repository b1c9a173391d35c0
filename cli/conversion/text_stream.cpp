#include "conversion/text_stream.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "conversion/core_text.h"
#include "files/failure.h"

namespace vezuved_cli {
namespace {

// One reading: each point made and handed on, or (stopAtFirst) only the
// kind of the set the first point belongs to. What the tool's visitor
// throws is kept and thrown again once the core has returned, never
// through it.
struct Walk {
    TextPoints points;
    CoreCollection& collection;
    const std::function<void(const Point&)>* visit = nullptr;
    bool stopAtFirst = false;
    std::optional<int32_t> kind;
    int64_t count = 0;
    std::exception_ptr failure;
};

int32_t VEZUVED_CORE_CALL TakePoint(void* context, const vezuved_point* read) {
    Walk& walk = *static_cast<Walk*>(context);
    try {
        if (!walk.kind) {
            vezuved_collection* sets = walk.collection.get();
            walk.kind = vezuved_set_kind(sets, vezuved_set_count(sets) - 1);
        }
        if (walk.stopAtFirst) return 1;
        ++walk.count;
        if (walk.visit != nullptr) (*walk.visit)(walk.points.Of(*read));
        return 0;
    } catch (...) {
        walk.failure = std::current_exception();
        return 1;
    }
}

// Reads the text through, its reports on err.
void WalkText(std::ostream& err, const std::string& path, const TextOptions& options, Walk& walk) {
    try {
        ReadTextThroughCore(err, walk.collection, path, options, TakePoint, &walk);
    } catch (...) {
        if (walk.failure) std::rethrow_exception(walk.failure);
        throw;
    }
    walk.points.Say(err, options.shownName.empty() ? path : options.shownName);
}

// Map documents take metres: the feet a text wrote need not be recovered.
constexpr bool kFeetAsWritten = false;

// The kind of the text's set, from a reading stopped at its first point. A
// text that cannot be read fails here, with the reports of a whole reading.
int32_t KindOfText(std::ostream& err, const std::string& path, const TextOptions& options) {
    CoreCollection collection;
    Walk peek{TextPoints(kFeetAsWritten), collection};
    peek.stopAtFirst = true;
    std::ostringstream quiet;
    try {
        ReadTextThroughCore(quiet, collection, path, options, TakePoint, &peek);
    } catch (const Failure&) {
        // Stopped at the first point, or no point read: the whole reading below says why.
    }
    if (peek.kind) return *peek.kind;
    CoreCollection again;
    Walk whole{TextPoints(kFeetAsWritten), again};
    WalkText(err, path, options, whole);
    return vezuved_set_kind(again.get(), 0);
}

}  // namespace

PointSet StreamedTextSet(std::ostream& err, const std::string& path, const TextOptions& options) {
    PointSet set;
    set.kind = KindOfText(err, path, options);
    set.title = BaseTitle(path);
    // The first walk says what the reading went past; the later ones read
    // the same file again, silently, and fail if it changed meanwhile.
    auto count = std::make_shared<std::optional<int64_t>>();
    std::ostream* reports = &err;
    set.reread = [reports, path, options, count](const std::function<void(const Point&)>& visit) {
        std::ostringstream quiet;
        CoreCollection collection;
        Walk walk{TextPoints(kFeetAsWritten), collection, &visit};
        WalkText(*count ? quiet : *reports, path, options, walk);
        if (*count && **count != walk.count) {
            FailConversion("cannot read the text file '" +
                           (options.shownName.empty() ? path : options.shownName) +
                           "': it changed while it was being converted");
        }
        *count = walk.count;
    };
    return set;
}

}  // namespace vezuved_cli
