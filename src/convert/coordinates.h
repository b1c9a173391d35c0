// Coordinate text in its accepted layouts read as signed decimal degrees.
// None of the parsers fails: unreadable text gives 0.0 or a partial value.
#pragma once

#include <cstdint>

namespace vezuved {

// LocFormat values.
enum LocationFormat : uint16_t {
    kLocNum = 0,
    kLocDeg = 1,
    kLocComp = 2,
    kLocDegNoSpace = 3,
};

int ParseCoordinate(const char* text, double& out, int useConstantLetters);
int ParseCoordinate(const char* text, double& out);
int ParseCompactCoordinate(const char* text, double& out, int degreeDigits);
int ParseHemisphereMinutes(const char* text, double& out, int degreeDigits);

// The parser a LocFormat selects; longitude applies the layout's own sign
// rule ("Comp" inverts the sign of its result).
double ParseLatitudeText(const char* text, uint16_t locFormat);
double ParseLongitudeText(const char* text, uint16_t locFormat);

// The process-wide table of display strings, 15 bytes a slot, in this order.
enum class DisplayText : int {
    LatitudeLetters,    // "NS"
    LongitudeLetters,   // "EW"
    DecimalPoint,       // "."
    NegativeLetters,    // "SWsw": the hemispheres that make a coordinate negative
    NauticalMiles,      // "nm"
    Miles,              // "mi"
    Kilometres,         // "km"
    Knots,              // "kn"
    MilesPerHour,       // "mph"
    KilometresPerHour,  // "kph"
    Metres,             // "m"
    Feet,               // "ft"
    Rendering,          // "Rendering..."
};
void InitStringTable();
const char* TableText(DisplayText which);
inline const char* NegativeHemisphereLetters() { return TableText(DisplayText::NegativeLetters); }

}  // namespace vezuved
