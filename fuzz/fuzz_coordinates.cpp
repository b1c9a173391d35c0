// The coordinate and number readers on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "convert/coordinates.h"
#include "convert/number_text.h"
#include "fuzz_support.h"

using namespace vezuved;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = fuzz::Text(data, size);
    const char* s = text.c_str();
    double value = 0;
    (void)ParseCoordinate(s, value);
    (void)ParseCoordinate(s, value, 1);
    for (int digits = 2; digits <= 3; ++digits) {
        (void)ParseCompactCoordinate(s, value, digits);
        (void)ParseHemisphereMinutes(s, value, digits);
    }
    for (uint16_t format = 0; format < 4; ++format) {
        (void)ParseLatitudeText(s, format);
        (void)ParseLongitudeText(s, format);
    }
    const char* end = nullptr;
    (void)ReadDecimal(s, &end);
    (void)ReadInteger(s, &end);
    // The counted readers get an exact-size copy: no byte past count may be read.
    std::unique_ptr<char[]> copy(new char[size]);
    if (size != 0) std::memcpy(copy.get(), data, size);
    (void)ReadIntegerN(copy.get(), size);
    (void)ReadDecimalN(copy.get(), size);

    // Whatever was read must format within a record's 32-byte field.
    char out[32];
    (void)FormatFixed7(value, out, sizeof out);
    return 0;
}
