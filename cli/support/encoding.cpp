#include "support/encoding.h"

#include <cstdint>
#include <optional>

namespace vezuved_cli {
namespace {

// 0x80..0x9F are the only bytes where Windows-1252 differs from Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next character of UTF-8 text, or none (and one byte consumed) when the
// bytes there are no valid, shortest-form sequence.
std::optional<char32_t> NextCharacter(std::string_view text, size_t& at) {
    const auto lead = static_cast<uint8_t>(text[at++]);
    if (lead < 0x80) return lead;
    size_t extra = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < extra) return std::nullopt;
    for (size_t i = 0; i < extra; ++i) {
        const auto next = static_cast<uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    at += extra;
    return c;
}

std::optional<char> Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (size_t i = 0; i < 32; ++i) {
        if (kHighControls[i] == c && c != 0xFFFD) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text, bool& lossy) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const std::optional<char32_t> c = NextCharacter(text, at);
        const std::optional<char> byte = c ? Cp1252Byte(*c) : std::nullopt;
        if (!byte) lossy = true;
        out += byte.value_or('?');
    }
    return out;
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

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (char byte : text) {
        if ((static_cast<uint8_t>(byte) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace vezuved_cli
