#include "text/text_output.h"

#include "base/diag.h"

namespace vezuved {

bool FinishTextOutput(ReplacingFile& output, TextSink& sink) {
    if (FlushText(sink) && CommitReplacingFile(output)) return true;
    if (sink.failed) DiscardReplacingFile(output, sink.error);
    DiagCause(output.failure);
    return false;
}

}  // namespace vezuved
