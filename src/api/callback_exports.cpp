// The three registrations of the host's callbacks and session pointer.
#include "api/export_call.h"
#include "state/callbacks.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLSetProgressCallback(RLProgressCallback callback) {
    const ExportCall call;
    RegisterProgressCallback(callback);
    return 0;
}

VEZUVED_API int32_t VEZUVED_CALL RLSetSessionPtr(void* session) {
    const ExportCall call;
    RegisterSession(session);
    return 0;
}

VEZUVED_API int32_t VEZUVED_CALL RLSetAskReplaceCallback(RLAskReplaceCallback callback) {
    const ExportCall call;
    RegisterAskReplaceCallback(callback);
    return 0;
}

}  // extern "C"
