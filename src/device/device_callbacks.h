// The host's callbacks, reached with the UTF-16 names of the device
// operations: the name is narrowed to at most 520 characters, the two times
// become FileDateText narrowed to at most 40 characters (source time
// first). A null name or time gives an empty text.
#pragma once

#include <cstdint>

#include "device/ce_types.h"

namespace vezuved {

constexpr int32_t kCallbackNameLimit = 520;
constexpr int32_t kCallbackDateLimit = 40;

int32_t ReportDeviceProgress(int32_t stage, int32_t done, int32_t total, const WCHAR* name);
int32_t AskDeviceReplace(const WCHAR* name,
                         int32_t status,
                         const FILETIME* sourceTime,
                         const FILETIME* destinationTime,
                         uint32_t* options);

}  // namespace vezuved
