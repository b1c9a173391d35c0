// Numbers and times as the tool prints and reads them: always with '.',
// whatever the host's locale says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vezuved_cli {

constexpr double kMetresPerFoot = 0.3048;

// The whole text (spaces around it and a leading '+' allowed) as a finite
// decimal number.
std::optional<double> ParseNumber(std::string_view text);

// Fixed-point text with the given number of decimals; a value that rounds
// to zero has no minus sign.
std::string FormatFixed(double value, int decimals);

// The shortest text that reads back as the same double.
std::string FormatShortest(double value);

// UTC milliseconds since 1970 as the core's documents write them
// ("2021-08-14T08:15:00Z").
std::string IsoTimeText(int64_t millis);

}  // namespace vezuved_cli
