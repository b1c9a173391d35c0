#include "state/callbacks.h"

namespace vezuved {

namespace {
RLProgressCallback g_progress = nullptr;
RLAskReplaceCallback g_askReplace = nullptr;
void* g_session = nullptr;
}  // namespace

void RegisterProgressCallback(RLProgressCallback callback) { g_progress = callback; }
void RegisterAskReplaceCallback(RLAskReplaceCallback callback) { g_askReplace = callback; }
void RegisterSession(void* session) { g_session = session; }

int32_t ReportProgress(int32_t stage, int32_t done, int32_t total, const char* name) {
    if (g_progress == nullptr) return 0;
    return g_progress(stage, done, total, name, g_session);
}

int32_t AskReplace(const char* name,
                   int32_t status,
                   const char* sourceDate,
                   const char* destinationDate,
                   uint32_t* options) {
    if (g_askReplace == nullptr) return 0;
    return g_askReplace(name, status, sourceDate, destinationDate, options, g_session);
}

}  // namespace vezuved
