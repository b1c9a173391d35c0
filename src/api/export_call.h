// Held by every export for its whole call: the library lock, and, for an
// export called from inside another one on the same thread (from a host
// callback), a conversion state of its own. The inner call starts from the
// outer call's settings; when it returns, the outer call's state is put
// back as it was, so the outer call goes on unchanged (each call owns the
// output it writes).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "base/check_error.h"
#include "base/paths.h"
#include "platform/library_lock.h"
#include "state/conversion_state.h"

namespace vezuved {

struct ExportCall {
    ExportCall();
    ~ExportCall();
    ExportCall(const ExportCall&) = delete;
    ExportCall& operator=(const ExportCall&) = delete;

    // True while the call is made from inside another export.
    bool Nested() const { return outer.has_value(); }

    LibraryLock lock;  // first in, last out
    std::optional<ConversionState> outer;
};

// What an export answers when its driver throws a LibraryError: the
// failure value, or the error's own code.
enum class OnLibraryError { Fail, AnswerCode };

// The one place a driver's exception stops: runs the driver and answers its
// result, or, when it throws, `failed` (or the LibraryError's code where the
// export answers codes). Nothing escapes.
template <typename Driver>
int32_t RunDriver(int32_t failed, OnLibraryError onError, Driver driver) noexcept {
    try {
        return driver();
    } catch (const LibraryError& error) {
        return onError == OnLibraryError::AnswerCode ? error.Result() : failed;
    } catch (...) {
        return failed;
    }
}

// Every export refuses a path longer than kMaxPathLength (-1) before it
// touches a file: false, with the refused path said, when one is.
inline bool PathsFit(std::initializer_list<const char*> paths) noexcept {
    for (const char* path : paths) {
        if (!PathFits(path)) return false;
    }
    return true;
}

}  // namespace vezuved
