// Coordinate text in its accepted layouts read as signed decimal degrees.
// None of the parsers fails: unreadable text gives 0.0 or a partial value.
#pragma once

#include <cstdint>

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

// The process-wide table of 13 display strings, 15 bytes a slot.
void InitStringTable();
const char* GetTableString(int slot);
