#include "support/diag_capture.h"

#include <utility>

namespace {
void Collect(void* context, DiagKind kind, const char* bytes, size_t length) {
    auto* capture = static_cast<CapturedDiagnostics*>(context);
    (kind == DiagKind::Output ? capture->output : capture->causes).append(bytes, length);
}
}  // namespace

CapturedDiagnostics::CapturedDiagnostics() : scope_(DiagSink{Collect, this}) {}

std::string CapturedDiagnostics::TakeOutput() { return std::exchange(output, std::string()); }

std::string CapturedDiagnostics::TakeCauses() { return std::exchange(causes, std::string()); }
