#include "text/text_lines.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vezuved {

namespace {

// Whether c ends or interrupts a stretch of line text: a line end, the two
// control characters the handheld leaves out, or a NUL, which ends a line.
struct LineBreaks {
    bool table[256] = {};
    constexpr LineBreaks() {
        for (const unsigned char c : {'\n', '\r', '\a', '\b', '\0'}) table[c] = true;
    }
};
constexpr LineBreaks kLineBreaks;

// The length of the stretch at in that holds no break, never past end
// (bounded by the text's size, so a long text is scanned once).
size_t RunWithoutBreak(const char* in, const char* end) {
    const char* at = in;
#if defined(__SSE2__)
    // Sixteen characters at a time: those below 14 are marked, and each
    // marked one is looked up (a tab is below 14 and is no break).
    const __m128i highestMarked = _mm_set1_epi8(13);
    while (end - at >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        unsigned marked = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(chunk, highestMarked), chunk)));
        while (marked != 0) {
            const int offset = __builtin_ctz(marked);
            if (kLineBreaks.table[static_cast<unsigned char>(at[offset])]) {
                return static_cast<size_t>(at + offset - in);
            }
            marked &= marked - 1;
        }
        at += 16;
    }
#endif
    // Every break is below 14: eight characters at a time are passed over
    // while none of them is, and the word that holds one is walked.
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    while (end - at >= 8) {
        uint64_t word;
        std::memcpy(&word, at, sizeof word);
        if (((word - kOnes * 14) & ~word & kHighs) != 0) break;
        at += 8;
    }
    while (at != end && !kLineBreaks.table[static_cast<unsigned char>(*at)]) ++at;
    return static_cast<size_t>(at - in);
}

}  // namespace

size_t CutTextLines(std::vector<char>& text, int32_t headerLines) {
    // Room for the NUL of a last line that ends with the text; the file's
    // reader leaves it, so this does not move the text.
    const size_t size = text.size();
    text.push_back('\0');
    char* const data = text.data();
    const char* const end = data + size;

    const char* in = data;
    char* kept = data;  // never ahead of in: the lines shrink as they are cut
    char* lineStart = kept;
    int64_t lineEnds = 0;
    size_t lines = 0;
    for (;;) {
        const size_t run = RunWithoutBreak(in, end);
        if (kept != in) std::memmove(kept, in, run);
        kept += run;
        in += run;
        const bool last = in == end;
        const char c = last ? '\0' : *in++;
        if (c == '\a' || c == '\b') continue;
        if (c == '\r' && in != end && *in == '\n') ++in;
        if (lineEnds++ < headerLines) {
            kept = lineStart;
        } else if (kept != lineStart) {
            *kept++ = '\0';
            lineStart = kept;
            ++lines;
        }
        if (last) break;
    }
    text.resize(static_cast<size_t>(kept - data));
    return lines;
}

}  // namespace vezuved
