#include "base/failure_cause.h"

#include "platform/system.h"

namespace {

thread_local std::string t_lastCause;

}  // namespace

void ReportFailureCause(const std::string& cause) noexcept {
    try {
        t_lastCause = cause;
        // Widened byte by byte, as the device layer's texts are.
        const std::string line = "VEZUVed: " + cause + "\n";
        std::basic_string<WCHAR> text;
        for (char c : line) text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
        PlatformDebugOutput(text.c_str());
    } catch (...) {
        // Without memory for the words the result code still tells.
    }
}

const std::string& LastFailureCause() { return t_lastCause; }

void ClearFailureCause() { t_lastCause.clear(); }
