#include "text/text_output.h"

#include "base/failure_cause.h"

bool FinishTextOutput(ReplacingFile& output, const TextSink& sink) {
    if (!sink.failed && CommitReplacingFile(output)) return true;
    if (sink.failed) DiscardReplacingFile(output, sink.error);
    ReportFailureCause(output.failure);
    return false;
}
