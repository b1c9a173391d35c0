// The text of a ".cal" format definition applied to the conversion state.
// The first byte picks what the walk searches for: nothing, a keyword, or
// a line that is no keyword.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "formats/format_file.h"
#include "fuzz_support.h"

using namespace vezuved;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kWanted[] = {
        nullptr, "FormatTitle", "Header", "Field3", "[Points]", "Ext", "Source", "Delimited"};
    const char* wanted = kWanted[data[0] & 7];
    fuzz::FreshState();
    std::string text = fuzz::Text(data + 1, size - 1);
    try {
        // An exact-size copy with no terminator: reading past length is a
        // sanitizer report.
        std::unique_ptr<char[]> copy(new char[text.size()]);
        std::memcpy(copy.get(), text.data(), text.size());
        (void)ParseFormatText(State(), copy.get(), text.size(), wanted);
    } catch (const std::bad_alloc&) {
    }
    fuzz::FreshState();
    return 0;
}
