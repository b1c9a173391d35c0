#include "base/wide_text.h"

#include <cstring>

#include "base/ascii.h"

namespace vezuved {

void WidenText(WideUnit* dst, const char* src, int32_t count) {
    if (dst == nullptr) return;
    if (src == nullptr) {
        dst[0] = 0;
        return;
    }
    const size_t limit = count <= 0 ? std::strlen(src) : static_cast<size_t>(count);
    size_t i = 0;
    while (i < limit) {
        const unsigned char byte = static_cast<unsigned char>(src[i]);
        dst[i++] = static_cast<WideUnit>(byte);
        if (byte == 0) return;  // the NUL is the terminator
    }
    dst[i] = 0;
}

void NarrowText(char* dst, const WideUnit* src, int32_t count) {
    if (dst == nullptr) return;
    if (src == nullptr) {
        dst[0] = 0;
        return;
    }
    const size_t limit = count <= 0 ? WideLength(src) + 1 : static_cast<size_t>(count);
    size_t i = 0;
    for (; i < limit && src[i] != 0; ++i) dst[i] = static_cast<char>(static_cast<unsigned>(src[i]) & 0xFFu);
    dst[i] = 0;
}

std::string NarrowedText(const WideUnit* text) {
    std::string bytes;
    if (text == nullptr) return bytes;
    for (const WideUnit* p = text; *p != 0; ++p)
        bytes.push_back(static_cast<char>(static_cast<unsigned>(*p) & 0xFFu));
    return bytes;
}

WideString WidenedText(const char* text) {
    WideString wide;
    if (text == nullptr) return wide;
    for (const char* p = text; *p != 0; ++p)
        wide.push_back(static_cast<WideUnit>(static_cast<unsigned char>(*p)));
    return wide;
}

size_t WideLength(const WideUnit* text) {
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != 0) ++n;
    return n;
}

int WideCompareNoCase(const WideUnit* a, const WideUnit* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    for (;; ++a, ++b) {
        const WideUnit x = AsciiUpper(*a);
        const WideUnit y = AsciiUpper(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

}  // namespace vezuved
