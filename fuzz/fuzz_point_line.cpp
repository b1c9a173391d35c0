// One line of text parsed as a point in every layout. The first byte picks
// the layout and the location and elevation formats of the state, the rest
// is the line.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "layouts/layout_table.h"
#include "record/point_record.h"
#include "text/layout_reading.h"

using namespace vezuved;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    fuzz::FreshState();
    const uint8_t selector = data[0];
    const int mode = selector & 7;
    ConversionState& state = State();
    state.Layout = static_cast<uint16_t>(mode == 0 ? 1 : mode);
    state.LocFormat = static_cast<uint16_t>((selector >> 3) & 3);
    state.EleFormat = static_cast<uint16_t>((selector >> 5) & 1);
    if (selector & 0x40) state.Delimited = '\t';
    if (selector & 0x80) state.FieldLen = "10,12,12,6,16,8,20";

    std::string line = fuzz::Text(data + 1, size - 1);
    PointRecord record;
    std::memset(&record, 0, sizeof record);
    const LayoutSettings settings = SettingsForReading(state);
    (void)ReadLayoutLine(line.c_str(), nullptr, mode, settings);
    (void)ReadLayoutLine(line.c_str(), &record, mode, settings);
    // The fields must stay terminated within their capacities.
    if (std::memchr(record.name, 0, sizeof record.name) == nullptr ||
        std::memchr(record.latitude, 0, sizeof record.latitude) == nullptr ||
        std::memchr(record.longitude, 0, sizeof record.longitude) == nullptr ||
        std::memchr(record.time, 0, sizeof record.time) == nullptr ||
        std::memchr(record.elevation, 0, sizeof record.elevation) == nullptr ||
        std::memchr(record.icon, 0, sizeof record.icon) == nullptr) {
        __builtin_trap();
    }
    if (const char* desc = DescText(record)) (void)std::strlen(desc);
    DescFree(record);
    fuzz::FreshState();
    return 0;
}
