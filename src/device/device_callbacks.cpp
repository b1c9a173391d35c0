#include "device/device_callbacks.h"

#include "base/wide_text.h"
#include "device/device_events.h"
#include "device/file_dates.h"
#include "state/callbacks.h"

namespace vezuved {

int32_t ReportDeviceProgress(int32_t stage, int32_t done, int32_t total, const WCHAR* name) {
    char narrow[kCallbackNameLimit + 1];
    NarrowText(narrow, name, kCallbackNameLimit);
    const DeviceEventHandlers* events = ActiveDeviceEvents();
    if (events != nullptr) return events->progress ? events->progress(stage, done, total, narrow) : 0;
    return ReportProgress(stage, done, total, narrow);
}

int32_t AskDeviceReplace(const WCHAR* name,
                         int32_t status,
                         const FILETIME* sourceTime,
                         const FILETIME* destinationTime,
                         uint32_t* options) {
    char narrow[kCallbackNameLimit + 1];
    NarrowText(narrow, name, kCallbackNameLimit);
    WCHAR wideDate[kFileDateTextSize];
    char sourceDate[kCallbackDateLimit + 1] = "";
    char destinationDate[kCallbackDateLimit + 1] = "";
    if (sourceTime != nullptr) {
        FileDateText(sourceTime, wideDate);
        NarrowText(sourceDate, wideDate, kCallbackDateLimit);
    }
    if (destinationTime != nullptr) {
        FileDateText(destinationTime, wideDate);
        NarrowText(destinationDate, wideDate, kCallbackDateLimit);
    }
    const DeviceEventHandlers* events = ActiveDeviceEvents();
    if (events != nullptr) return events->ask ? events->ask(narrow, status, sourceDate, destinationDate) : 0;
    return AskReplace(narrow, status, sourceDate, destinationDate, options);
}

}  // namespace vezuved
