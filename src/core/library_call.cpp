#include "core/library_call.h"

#include <utility>

namespace vezuved::core {
namespace {

// "VEZUVed: cannot write 'x': ...\n" as "cannot write 'x': ...".
std::string CauseText(std::string line) {
    const std::string prefix = "VEZUVed: ";
    if (line.compare(0, prefix.size(), prefix) == 0) line.erase(0, prefix.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace

LibraryCall::LibraryCall() : saved_(State()), scope_(DiagSink{&LibraryCall::Keep, this}) {}

LibraryCall::~LibraryCall() { State() = std::move(saved_); }

void LibraryCall::Keep(void* context, DiagKind kind, const char* bytes, size_t length) {
    auto* call = static_cast<LibraryCall*>(context);
    try {
        if (kind == DiagKind::Cause) {
            const std::string cause = CauseText(std::string(bytes, length));
            call->causes_ += (call->causes_.empty() ? "" : "; ") + cause;
        } else {
            call->output_.append(bytes, length);
        }
    } catch (...) {
        // Without memory for the words the result code still tells.
    }
}

std::string LibraryCall::Said() const {
    if (!causes_.empty()) return causes_;
    std::string output = output_;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
    return output;
}

}  // namespace vezuved::core
