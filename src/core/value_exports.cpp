// The core's C functions on single values: ISO 8601 times as its documents
// read and write them, and texts as the handheld holds them. They hold no
// collection, so a failure is only its code.
#include <algorithm>
#include <cstring>
#include <string>

#include "sets/encoding.h"
#include "sets/iso_time.h"
#include "sets/number_text.h"
#include "vezuved/vezuved_core.h"

using namespace vezuved;

namespace {

// Copies text and its NUL into out when size bytes hold them: its length,
// or VEZUVED_ERROR_ARGUMENT.
int32_t CopyOut(const std::string& text, char* out, int32_t size) {
    if (out == nullptr || size < 0 || text.size() >= static_cast<size_t>(size)) return VEZUVED_ERROR_ARGUMENT;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size());
}

}  // namespace

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_read_iso_time(const char* text, vezuved_iso_time* moment) {
    if (text == nullptr || moment == nullptr) return VEZUVED_ERROR_ARGUMENT;
    const std::optional<maps::IsoStamp> stamp = maps::ParseIsoStamp(text);
    if (!stamp) return VEZUVED_ERROR_FORMAT;
    *moment = vezuved_iso_time{
        maps::StampMillis(*stamp), stamp->hasDate, stamp->hasTime, stamp->hasZone, stamp->zoneMinutes};
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_write_iso_time(int64_t time, char* out, int32_t size) {
    char text[maps::kIsoTimeTextSize];
    return CopyOut(std::string(text, maps::WriteIsoTime(time, text)), out, size);
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_handheld_text(const char* text, char* out, int32_t size) {
    if (text == nullptr) return VEZUVED_ERROR_ARGUMENT;
    try {
        const std::string bytes = maps::Utf8ToCp1252(text);
        const int32_t written = CopyOut(maps::Cp1252ToUtf8(bytes), out, size);
        if (written < 0) return written;
        // Every '?' the text did not have stands for a character replaced.
        const auto marks = [](const char* from, const char* to) { return std::count(from, to, '?'); };
        return static_cast<int32_t>(marks(bytes.data(), bytes.data() + bytes.size()) -
                                    marks(text, text + std::strlen(text)));
    } catch (const std::bad_alloc&) {
        return VEZUVED_ERROR_MEMORY;
    }
}
