#include "core/library_call.h"

#include <cerrno>

#include "core/core_failure.h"
#include "formats/format_file.h"
#include "platform/replacing_file.h"
#include "vezuved/vezuved_core.h"

namespace vezuved::core {

std::string CauseWords(const char* bytes, size_t length) {
    std::string cause(bytes, length);
    const std::string prefix = "VEZUVed: ";
    if (cause.compare(0, prefix.size(), prefix) == 0) cause.erase(0, prefix.size());
    while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r')) cause.pop_back();
    return cause;
}

LibraryCall::LibraryCall() : scope_(DiagSink{&LibraryCall::Keep, this}) { state_.Paths = PathEncoding::Utf8; }

LibraryCall::~LibraryCall() = default;

void LibraryCall::Keep(void* context, DiagKind kind, const char* bytes, size_t length) {
    auto* call = static_cast<LibraryCall*>(context);
    try {
        // The library's output lines ("Err: 0x408") say nothing its causes
        // and a call's own sentence do not; they are passed over.
        if (kind == DiagKind::Cause) {
            const std::string cause = CauseWords(bytes, length);
            call->causes_ += (call->causes_.empty() ? "" : "; ") + cause;
        }
    } catch (...) {
        // Without memory for the words the result code still tells.
    }
}

ConversionState& LibraryCall::LoadDefinitionAlone(const std::string& definition, const std::string& doing) {
    LoadDefaults();
    errno = 0;
    if (LoadFormatFileAt(state_, definition.c_str(), nullptr) != 0) {
        const int error = errno;
        FailCore(VEZUVED_ERROR_OPEN,
                 doing + ": its format definition '" + definition + "' cannot be read" +
                     (error != 0 ? " (" + PlatformErrorText(error) + ")" : std::string()));
    }
    return state_;
}

ConversionState& LibraryCall::LoadDefaults() {
    state_ = ConversionState{};
    state_.Paths = PathEncoding::Utf8;  // the core's paths, whatever the host's are
    ResetConversionState(state_);
    return state_;
}

std::string LibraryCall::Causes() const { return causes_; }

}  // namespace vezuved::core
