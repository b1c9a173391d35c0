// What the host gives back: arrays of records with their descriptions, and
// the description functions that are its only way to reach that field.
#include "api/export_call.h"
#include "record/point_record.h"
#include "state/conversion_state.h"

using namespace vezuved;

extern "C" {

VEZUVED_API void VEZUVED_CALL RLDBRelease(void* records, int32_t count) {
    const ExportCall call;
    FreeRecordArray(records, count);
    FreeFormatStrings(State());
}

VEZUVED_API const char* VEZUVED_CALL RLGetPointDesc(const void* record) {
    const ExportCall call;
    if (record == nullptr) return nullptr;
    return DescText(*static_cast<const PointRecord*>(record));
}

VEZUVED_API int32_t VEZUVED_CALL RLSetPointDesc(void* record, const char* text) {
    const ExportCall call;
    if (record == nullptr) return -1;
    return DescSetCopy(*static_cast<PointRecord*>(record), text) ? 0 : -1;
}

}  // extern "C"
