#include "sets/encoding.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace vezuved::maps {
namespace {

// 0x80..0x9F are the only bytes where Windows-1252 differs from Latin-1.
constexpr char32_t kHighControls[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                        0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at text[i] and its value; 0 when the
// bytes there are no valid sequence.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& value) {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
        value = lead;
        return 1;
    }
    size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

// The Windows-1252 byte for a character, or 0 when it has none.
char ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (size_t k = 0; k < 32; ++k) {
        if (kHighControls[k] == c && c != 0xFFFD) return static_cast<char>(0x80 + k);
    }
    return 0;
}

}  // namespace

size_t ReadUtf8Character(std::string_view text, size_t at, char32_t& character) {
    return DecodeUtf8(text, at, character);
}

char Cp1252Byte(char32_t character) { return ToCp1252(character); }

std::string Utf8Character(char32_t character) {
    std::string out;
    AppendUtf8(out, character);
    return out;
}

namespace {

// UTF-8 text as bytes, each character as byteOf gives it; one it gives no
// byte for becomes '?' and sets *lost. Bytes that are no valid UTF-8 pass
// through unchanged.
template <typename ByteOf>
std::string BytesOf(std::string_view text, ByteOf byteOf, bool* lost) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t value = 0;
        const size_t length = DecodeUtf8(text, i, value);
        if (length == 0) {
            out += text[i++];
            continue;
        }
        const char byte = byteOf(value);
        if (byte == 0 && value != 0) {
            out += '?';
            if (lost != nullptr) *lost = true;
        } else {
            out += byte;
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text, bool* lost) { return BytesOf(text, ToCp1252, lost); }

std::string DefinitionTextOf(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<uint8_t>(byte);
        const bool undefined = b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] == 0xFFFD;
        AppendUtf8(out, b >= 0x80 && b <= 0x9F && !undefined ? kHighControls[b - 0x80] : b);
    }
    return out;
}

size_t FindInvalidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        // Plain ASCII, the most of any text, passed eight bytes at a time.
        if (i + 8 <= text.size()) {
            uint64_t eight = 0;
            std::memcpy(&eight, text.data() + i, 8);
            if ((eight & 0x8080808080808080u) == 0) {
                i += 8;
                continue;
            }
        }
        if ((static_cast<unsigned char>(text[i]) & 0x80) == 0) {
            ++i;
            continue;
        }
        char32_t value = 0;
        const size_t length = DecodeUtf8(text, i, value);
        if (length == 0) return i;
        i += length;
    }
    return std::string_view::npos;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char byte : text) {
        const auto b = static_cast<uint8_t>(byte);
        if (b >= 0x80 && b <= 0x9F) {
            AppendUtf8(out, kHighControls[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

}  // namespace vezuved::maps
