#include "values/numbers.h"

#include <charconv>
#include <cmath>

#include <vezuved/vezuved_core.h>

namespace vezuved_cli {

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // from_chars refuses a leading '+', which people do write.
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string FormatFixed(double value, int decimals) {
    char text[400];  // the widest double's digits
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string out(text, written.ec == std::errc() ? written.ptr : text);
    if (out.size() > 1 && out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
    return out;
}

std::string FormatShortest(double value) {
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string IsoTimeText(int64_t millis) {
    char text[VEZUVED_ISO_TIME_SIZE];
    const int32_t length = vezuved_write_iso_time(millis, text, sizeof text);
    return length < 0 ? std::string() : std::string(text, static_cast<size_t>(length));
}

}  // namespace vezuved_cli
