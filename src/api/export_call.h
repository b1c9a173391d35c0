// Held by every export for its whole call: the library lock, and, for an
// export called from inside another one on the same thread (from a host
// callback), a conversion state and an output of its own. The inner call
// starts from the outer call's settings; when it returns, the outer call's
// state and open output are put back as they were, so the outer call goes
// on unchanged.
#pragma once

#include <optional>

#include "platform/library_lock.h"
#include "pointdb/database_output.h"
#include "state/conversion_state.h"

struct ExportCall {
    ExportCall();
    ~ExportCall();
    ExportCall(const ExportCall&) = delete;
    ExportCall& operator=(const ExportCall&) = delete;

    // True while the call is made from inside another export.
    bool Nested() const { return outer.has_value(); }

    LibraryLock lock;  // first in, last out
    std::optional<ConversionState> outer;
    DatabaseOutput outerOutput;
};
