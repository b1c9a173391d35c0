// The two format-definition queries: a value of a keyword and the title.
// A failure (out of memory) frees the texts the search left and answers 0,
// inside the lookup, which never throws.
#include "api/export_call.h"
#include "formats/format_catalogue.h"
#include "formats/format_file.h"
#include "state/conversion_state.h"
#include "vezuved/vezuved.h"

using namespace vezuved;

namespace {

// A refused path leaves the caller an empty value, as a definition without
// the keyword would, so a host that reads the value finds nothing stale.
int32_t RefuseLongPath(char* value, int32_t* length) {
    if (value != nullptr) *value = '\0';
    if (length != nullptr) *length = 0;
    return -1;
}

}  // namespace

extern "C" {

VEZUVED_API int32_t VEZUVED_CALL RLGetCalFileInfo(const char* keyword,
                                                  const char* path,
                                                  char* value,
                                                  int32_t* length) {
    const ExportCall call;
    if (!PathsFit({path})) return RefuseLongPath(value, length);
    return GetFormatValue(State(), keyword, path, value, length);
}

VEZUVED_API int32_t VEZUVED_CALL RLGetCalFileTitle(const char* path, char* value, int32_t* length) {
    const ExportCall call;
    if (!PathsFit({path})) return RefuseLongPath(value, length);
    return GetFormatValue(State(), FormatKeywordName(kKeyFormatTitle), path, value, length);
}

}  // extern "C"
