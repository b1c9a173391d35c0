// What the device layer prints, taken apart for the core's callers: each
// message a line of its own, and the listing's report (its table, pieced
// together from several messages) apart from the problems met on the way.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vezuved::core {

class DeviceLines {
public:
    // line: each problem or message, whole, without its line end.
    DeviceLines(bool listingReport, std::function<void(const std::string& line)> line)
        : listingReport_(listingReport), line_(std::move(line)) {}

    void Take(const char* bytes, size_t length);
    // The report so far, its last line ended.
    std::string Report();

private:
    bool listingReport_;
    std::function<void(const std::string&)> line_;
    std::string report_;
};

}  // namespace vezuved::core
