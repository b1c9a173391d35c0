// The host's registrations: a progress callback, an ask-before-replace
// callback and a session pointer handed back to both. Process-wide and
// never reset by a conversion; a null registration switches the callback
// off.
#pragma once

#include <cstdint>

#include "vezuved/vezuved.h"

namespace vezuved {

void RegisterProgressCallback(RLProgressCallback callback);
void RegisterAskReplaceCallback(RLAskReplaceCallback callback);
void RegisterSession(void* session);

int32_t ReportProgress(int32_t stage, int32_t done, int32_t total, const char* name);
int32_t AskReplace(
    const char* name, int32_t status, const char* sourceDate, const char* destinationDate, uint32_t* options);

}  // namespace vezuved
