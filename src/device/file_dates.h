// The dates the device operations show: "Mar/14/2004 09:05" in the device
// listing, and the padded local time the ask-before-replace question gets.
// The month is "Jan" .. "Dec", "???" for anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/ce_types.h"

namespace vezuved {

// "Mar/14/2004 09:05" of a FILETIME as it is (no conversion to local time).
std::string ListingDate(const FILETIME& time);

// "   Mar/14/2004 09:05": the local time of a FILETIME, always 20 units plus
// the terminator (dst holds at least kFileDateTextSize units). Returns 0.
constexpr size_t kFileDateTextSize = 21;
int32_t FileDateText(const FILETIME* time, WCHAR* dst);

}  // namespace vezuved
