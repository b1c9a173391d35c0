// The time readers on arbitrary text, and the writers on what they read.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/time_text.h"
#include "fuzz_support.h"

using namespace vezuved;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

namespace {
void FormatAll(const TimeParts& parts) {
    char out[kTimeTextCapacity];
    FormatCompactTime(parts, out);
    FormatClockTime(parts, out, false);
    FormatClockTime(parts, out, true);
    FormatCompactDate(parts, out);
    for (uint32_t order = 0; order < 4; ++order) FormatDate(out, parts, order, '/');
    (void)SecondsOfDay(parts);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FreshState();
    std::string text = fuzz::Text(data, size);
    TimeParts compact;
    ParseCompactTime(text.c_str(), compact);
    FormatAll(compact);
    TimeParts dated = compact;
    ParseCompactDate(text.c_str(), dated);
    FormatAll(dated);
    TimeParts separated;
    ParseSeparatedTime(text.c_str(), separated);
    FormatAll(separated);
    double elapsed = 0;
    ElapsedSeconds(elapsed, compact, separated);

    // A record's time field: 32 bytes, terminated.
    char field[32];
    size_t n = size < sizeof field - 1 ? size : sizeof field - 1;
    std::memcpy(field, data, n);
    field[n] = '\0';
    NormalizeTimeText(field, sizeof field);
    if (std::memchr(field, 0, sizeof field) == nullptr) __builtin_trap();
    fuzz::FreshState();
    return 0;
}
