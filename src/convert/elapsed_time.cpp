// Time of day in seconds, the difference between two points' times, and the
// calendar clock.
#include <chrono>
#include <cstdint>

#include "convert/time_text.h"

namespace vezuved {

double SecondsOfDay(const TimeParts& parts) {
    return parts.hour * 3600 + parts.minute * 60.0 + parts.second + parts.fraction * 0.001;
}

// The date is ignored, so a pair across midnight gives a negative value.
void ElapsedSeconds(double& out, const TimeParts& earlier, const TimeParts& later) {
    out = SecondsOfDay(later) - SecondsOfDay(earlier);
}

int64_t CurrentTime() {
    // The system clock counts from 1970-01-01 00:00 UTC on every platform we build for.
    using std::chrono::seconds;
    using std::chrono::system_clock;
    return std::chrono::duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace vezuved
