// How reading or writing a map file fails: one sentence that names the file
// and the cause ("cannot read 'trip.gpx': line 3: not well-formed"). It is
// thrown inside the readers and caught by whoever called them.
#pragma once

#include <stdexcept>
#include <string>

namespace vezuved::maps {

class MapFailure : public std::runtime_error {
public:
    explicit MapFailure(const std::string& message) : std::runtime_error(message) {}
};

[[noreturn]] inline void FailMap(const std::string& message) { throw MapFailure(message); }

}  // namespace vezuved::maps
