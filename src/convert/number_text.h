// Number reading and writing that never depends on the host's locale, plus
// the small text helpers every parser shares. "Read a decimal number" and
// "read an integer" are defined once here and used everywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vezuved {

// The longest prefix of text that reads as a floating-point number (optional
// leading white space, optional sign, digits, optional decimal point and
// digits, optional exponent); 0 when there is none. *end, when given,
// receives the position after the number (text itself when none was read).
// A null text reads as 0.
double ReadDecimal(const char* text, const char** end = nullptr);

// Optional leading white space, optional sign and decimal digits; 0 when
// there are none. Values beyond the 32-bit range saturate.
int32_t ReadInteger(const char* text, const char** end = nullptr);

// ReadInteger over at most count characters of text (a fixed-width slice).
int32_t ReadIntegerN(const char* text, size_t count);

// ReadDecimal over at most count characters of text.
double ReadDecimalN(const char* text, size_t count);

// Writes value as "%.7f" would in the C locale (rounded to nearest), NUL
// terminated, cut to capacity - 1 characters. Returns the length written.
size_t FormatFixed7(double value, char* out, size_t capacity);

// Writes value as "%ld" would. Returns the length written (capacity >= 12).
size_t FormatInteger(int64_t value, char* out, size_t capacity);

// Decimal text of value with at least width digits, zero-padded after the
// sign: (5, 2) -> "05", (-5, 2) -> "-05", (2004, 2) -> "2004". The output
// needs room for width + 12 characters. Returns the length written.
size_t PadNumber(int32_t value, char* out, int width);

// Removes leading and trailing spaces (0x20 only) in place; null is left alone.
void TrimSpaces(char* text);

// Position of the first occurrence of c that lies before the first ',' of
// text, or null.
const char* FindBeforeComma(const char* text, char c);

}  // namespace vezuved
