#include "text/text_lines.h"

namespace {

// The characters that end or interrupt a stretch of line text; strcspn
// also stops at NUL, which ends a line too.
constexpr const char* kLineBreaks = "\n\r\a\b";

}  // namespace

size_t CutTextLines(std::vector<char>& text, int32_t headerLines) {
    // A NUL after the last byte stops the scan there; the file's reader
    // leaves room for it, so this does not move the text.
    const size_t size = text.size();
    text.push_back('\0');
    char* const data = text.data();
    const char* const end = data + size;

    const char* in = data;
    char* out = data;  // never ahead of in: the lines shrink as they are cut
    char* lineStart = out;
    int64_t lineEnds = 0;
    size_t lines = 0;
    for (;;) {
        const size_t run = std::strcspn(in, kLineBreaks);
        if (out != in) std::memmove(out, in, run);
        out += run;
        in += run;
        const bool last = in == end;
        const char c = last ? '\0' : *in++;
        if (c == '\a' || c == '\b') continue;
        if (c == '\r' && in != end && *in == '\n') ++in;
        if (lineEnds++ < headerLines) {
            out = lineStart;
        } else if (out != lineStart) {
            *out++ = '\0';
            lineStart = out;
            ++lines;
        }
        if (last) break;
    }
    text.resize(static_cast<size_t>(out - data));
    return lines;
}
