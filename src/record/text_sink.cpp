#include "record/text_sink.h"

#include <cerrno>
#include <cstring>

void WriteText(TextSink& sink, const char* text, size_t length) {
    if (sink.file == nullptr || length == 0) return;
    const char* data = text;
    if (sink.crlf && std::memchr(text, '\n', length) != nullptr) {
        // Copied a stretch between line ends at a time, not a byte at a time.
        sink.translated.clear();
        const char* end = text + length;
        for (const char* p = text; p != end;) {
            const void* found = std::memchr(p, '\n', static_cast<size_t>(end - p));
            const char* stop = found != nullptr ? static_cast<const char*>(found) : end;
            sink.translated.append(p, stop);
            if (stop == end) break;
            sink.translated.append("\r\n", 2);
            p = stop + 1;
        }
        data = sink.translated.data();
        length = sink.translated.size();
    }
    errno = 0;
    if (std::fwrite(data, 1, length, sink.file) != length && !sink.failed) {
        sink.failed = true;
        sink.error = errno != 0 ? errno : EIO;
    }
}

void WriteText(TextSink& sink, const std::string& text) { WriteText(sink, text.data(), text.size()); }

void WriteText(TextSink& sink, const char* text) { WriteText(sink, text, std::strlen(text)); }
