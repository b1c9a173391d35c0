#include "api/export_call.h"

#include <utility>

namespace vezuved {

namespace {
// Exports running on the thread that holds the lock; only that thread
// touches it.
int g_depth = 0;
}  // namespace

ExportCall::ExportCall() {
    if (g_depth++ == 0) return;
    ConversionState& state = State();
    outer.emplace(std::move(state));
    try {
        state = *outer;
    } catch (...) {
        state = ConversionState{};  // out of memory: the inner call starts from the defaults
    }
}

ExportCall::~ExportCall() {
    if (outer) {
        State() = std::move(*outer);
    }
    --g_depth;
}

}  // namespace vezuved
