// The general coordinate parser: signed decimal degrees, or a hemisphere
// letter followed by degrees and decimal minutes or by degrees, minutes and
// seconds, the parts separated by single spaces.
#include <cstddef>
#include <cstring>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "convert/text_bounds.h"

namespace vezuved {

namespace {

constexpr double kPerSixty = 0.016666666666666666;
// A degrees token longer than this is no degrees token: the rest is read as
// one number instead.
constexpr ptrdiff_t kMaxDegreesToken = 19;

}  // namespace

int ParseCoordinate(const char* text, double& out, int useConstantLetters) {
    if (text == nullptr) {
        out = 0.0;
        return 0;
    }
    if (!IsAsciiLetter(text[0])) {
        out = ReadDecimal(text);
        return 0;
    }
    const char* negativeLetters = useConstantLetters != 0 ? "SWsw" : NegativeHemisphereLetters();
    const double sign = std::strchr(negativeLetters, text[0]) != nullptr ? -1.0 : 1.0;
    const char* rest = text + 1;

    const char* firstSpace = FindBeforeComma(rest, ' ');
    if (firstSpace == nullptr || firstSpace - rest > kMaxDegreesToken) {
        out = sign * ReadDecimal(rest);
        return 0;
    }
    const double degrees = ReadIntegerN(rest, static_cast<size_t>(firstSpace - rest));

    const char* minutesText = firstSpace + 1;
    const char* secondSpace = FindBeforeComma(minutesText, ' ');
    if (secondSpace != nullptr) {
        // The whole minutes token is read, however long; beyond the 32-bit
        // range it saturates.
        const double minutes = ReadIntegerN(minutesText, static_cast<size_t>(secondSpace - minutesText));
        const double seconds = ReadDecimal(secondSpace + 1);
        out = ((seconds * kPerSixty + minutes) * kPerSixty + degrees) * sign;
    } else {
        const double minutes = ReadDecimal(minutesText);
        out = (minutes * kPerSixty + degrees) * sign;
    }
    return 0;
}

int ParseCoordinate(const char* text, double& out) { return ParseCoordinate(text, out, 0); }

double ParseLatitudeText(const char* text, uint16_t locFormat) {
    double value = 0.0;
    switch (locFormat) {
        case kLocComp:
            ParseCompactCoordinate(text, value, 2);
            break;
        case kLocDegNoSpace:
            ParseHemisphereMinutes(text, value, 2);
            break;
        default:
            ParseCoordinate(text, value);
            break;
    }
    return value;
}

double ParseLongitudeText(const char* text, uint16_t locFormat) {
    double value = 0.0;
    switch (locFormat) {
        case kLocComp:
            // The parser's own sign for three degree digits is negative; the
            // layout's longitudes are east-positive, so undo it.
            ParseCompactCoordinate(text, value, 3);
            value = -value;
            break;
        case kLocDegNoSpace:
            ParseHemisphereMinutes(text, value, 3);
            break;
        default:
            ParseCoordinate(text, value);
            break;
    }
    return value;
}

}  // namespace vezuved
