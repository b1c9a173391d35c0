#include "frame/callbacks.h"

#include "frame/export_call.h"
#include "vezuved/vezuved.h"

namespace {
RLProgressCallback g_progress = nullptr;
RLAskReplaceCallback g_askReplace = nullptr;
void* g_session = nullptr;
}  // namespace

int32_t ReportProgress(int32_t stage, int32_t done, int32_t total, const char* name) {
    if (g_progress == nullptr) return 0;
    return g_progress(stage, done, total, name, g_session);
}

int32_t AskReplace(const char* name, int32_t status, const char* sourceDate,
                   const char* destinationDate, uint32_t* options) {
    if (g_askReplace == nullptr) return 0;
    return g_askReplace(name, status, sourceDate, destinationDate, options, g_session);
}

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLSetProgressCallback(RLProgressCallback callback) {
    const ExportCall call;
    g_progress = callback;
    return 0;
}

VEZUVED_API int32_t VEZUVED_CALL RLSetSessionPtr(void* session) {
    const ExportCall call;
    g_session = session;
    return 0;
}

VEZUVED_API int32_t VEZUVED_CALL RLSetAskReplaceCallback(RLAskReplaceCallback callback) {
    const ExportCall call;
    g_askReplace = callback;
    return 0;
}

}  // extern "C"
