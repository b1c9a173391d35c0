// A core call into the library's database layers: holds the library lock
// (the library's lines go to one sink), hands the layers a conversion state
// of the call's own, starting from the library's defaults, and gathers what
// the library would have said (its output lines and its causes) instead of
// printing it. The host interface's state is never touched.
#pragma once

#include <string>

#include "base/diag.h"
#include "platform/library_lock.h"
#include "state/conversion_state.h"

namespace vezuved::core {

// A cause the library printed, "VEZUVed: cannot write 'x': ...\n", as its
// words alone: "cannot write 'x': ...".
std::string CauseWords(const char* bytes, size_t length);

class LibraryCall {
public:
    LibraryCall();
    ~LibraryCall();
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

    // The causes the library gave, one per line without its "VEZUVed: "
    // prefix, joined by "; ".
    std::string Causes() const;

    // The call's own conversion state; its paths are UTF-8.
    ConversionState& Conversion() { return state_; }

    // Sets the call's conversion state from the library's defaults and the
    // definition alone, so nothing an earlier call left changes this one;
    // fails with VEZUVED_ERROR_OPEN, "<doing>: its format definition '...'
    // cannot be read (<reason>)", when it cannot be loaded.
    ConversionState& LoadDefinitionAlone(const std::string& definition, const std::string& doing);

    // The library's defaults alone, for a text described without a definition.
    ConversionState& LoadDefaults();

private:
    static void Keep(void* context, DiagKind kind, const char* bytes, size_t length);

    LibraryLock lock_;  // first in, last out
    ConversionState state_;
    std::string causes_;
    DiagScope scope_;
};

}  // namespace vezuved::core
