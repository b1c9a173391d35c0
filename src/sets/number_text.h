// Reading the point record's texts as numbers and writing numbers back as
// text, independent of the host's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vezuved::maps {

// The whole text (spaces around it allowed) as a decimal number.
std::optional<double> ParseNumber(std::string_view text);

// A coordinate as the record holds it: decimal degrees ("-122.4194000"),
// or, for points read from Garmin text, a hemisphere letter with degrees
// and decimal minutes ("N45 30.123") or degrees, minutes and seconds.
std::optional<double> ParseCoordinate(std::string_view text);

// "HHMMSS DDMMYYYY" (seconds optionally followed by "." and a whole number
// of milliseconds) as UTC milliseconds since 1970; none when the text is
// empty or no valid date and time.
std::optional<int64_t> RecordTime(std::string_view text);

// UTC milliseconds as the record's time text, "HHMMSS DDMMYYYY", with "."
// and the milliseconds in at least two digits after the seconds when there
// are any (".01" is 1 ms, ".250" a quarter second), as the library writes them.
std::string FormatRecordTime(int64_t millis);

// UTC milliseconds as ISO 8601, "YYYY-MM-DDTHH:MM:SSZ", with three decimals
// of the second only when there is a fraction.
std::string FormatIsoTime(int64_t millis);
// The same into out, which holds kIsoTimeTextSize characters; its length.
constexpr size_t kIsoTimeTextSize = 40;
size_t WriteIsoTime(int64_t millis, char* out);

// The record's time text as ISO 8601 UTC; empty when it holds none.
std::string IsoTimeFromRecord(std::string_view text);

// Fixed-point text with the given number of decimals, always with '.'.
std::string FormatFixed(double value, int decimals);
// The same into out, which holds kFixedTextSize characters (the widest
// double's); the text's length.
constexpr size_t kFixedTextSize = 400;
size_t WriteFixed(double value, int decimals, char* out);

// Shortest text that reads back as the same double, always with '.'.
std::string FormatShortest(double value);
// The same without an exponent ("0.00001", never "1e-05": GPX and KML
// take no exponent), into out of kFixedTextSize; zero has no sign.
size_t WriteShortestFixed(double value, char* out);
// Metres of a length read in feet, as the fewest decimals that give back
// the same feet written with the decimals (seven at least, as a record
// holds a converted elevation): "1829" ft is "557.4792", and "6000.6561680"
// ft, 1829 m gone to a record, "1829". Into out of kFixedTextSize.
size_t WriteMetresOfFeet(double metres, double feet, int decimals, char* out);

// The decimals with which FormatFixed writes value, read from text, as
// text again byte for byte: text is a plain decimal ("1829", "-12.0",
// "11332.020997375328") that FormatFixed gives back. -1 for any other form
// ("+5", "1.5e3", "007", more digits than a double holds). A negative zero
// comes back as zero.
int DecimalsAsWritten(std::string_view text, double value);

constexpr double kMetresPerFoot = 0.3048;

}  // namespace vezuved::maps
