// The two digit layouts with a fixed number of degree digits: "Comp"
// (DDMMxxhh, no sign) and "DegNoSpace" (hemisphere letter, DD, decimal minutes).
#include <cstddef>
#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/text_bounds.h"

namespace vezuved {

namespace {

constexpr double kHundredthsPerMinute = 1.6666666666666667;  // 100 / 60

size_t DigitCount(int degreeDigits) { return degreeDigits > 0 ? static_cast<size_t>(degreeDigits) : 0; }

}  // namespace

int ParseCompactCoordinate(const char* text, double& out, int degreeDigits) {
    const size_t d = DigitCount(degreeDigits);
    const double sign = degreeDigits == 3 ? -1.0 : 1.0;
    double degrees = 0.0;
    if (HasAtLeast(text, d)) degrees = ReadIntegerN(text, d);
    double minutes = 0.0;
    if (HasAtLeast(text, d + 2)) {
        minutes = ReadIntegerN(text + d, 2) * kHundredthsPerMinute;
        // Hundredths of a minute sit two characters further on; the two in
        // between are not part of the value.
        if (HasAtLeast(text, d + 4)) {
            const double hundredths = ReadIntegerN(text + d + 4, 2);
            minutes = hundredths * kHundredthsPerMinute * 0.01 + minutes;
        }
    }
    out = (minutes * 0.01 + degrees) * sign;
    return 0;
}

int ParseHemisphereMinutes(const char* text, double& out, int degreeDigits) {
    if (text == nullptr || !IsAsciiLetter(text[0])) {
        out = ReadDecimal(text);
        return 0;
    }
    const double sign = std::strchr("SWsw", text[0]) != nullptr ? -1.0 : 1.0;
    const char* rest = text + 1;
    const size_t d = DigitCount(degreeDigits);
    double degrees = 0.0;
    if (HasAtLeast(rest, d)) degrees = ReadIntegerN(rest, d);
    double minutes = 0.0;
    if (HasAtLeast(rest, d + 2)) minutes = ReadDecimal(rest + d) * kHundredthsPerMinute;
    out = (minutes * 0.01 + degrees) * sign;
    return 0;
}

}  // namespace vezuved
