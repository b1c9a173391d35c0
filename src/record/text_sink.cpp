#include "record/text_sink.h"

#include <cerrno>
#include <cstring>

namespace vezuved {

namespace {

void WriteThrough(TextSink& sink, const char* data, size_t length) {
    errno = 0;
    if (std::fwrite(data, 1, length, sink.file) != length && !sink.failed) {
        sink.failed = true;
        sink.error = errno != 0 ? errno : EIO;
    }
}

// Adds bytes to the buffer, writing it out whenever it fills.
void Append(TextSink& sink, const char* data, size_t length) {
    if (!sink.buffer) sink.buffer.reset(static_cast<char*>(MemAllocate(kTextSinkBlock)));
    if (!sink.buffer || length >= kTextSinkBlock) {
        FlushText(sink);
        WriteThrough(sink, data, length);
        return;
    }
    if (sink.pending + length > kTextSinkBlock) FlushText(sink);
    std::memcpy(sink.buffer.get() + sink.pending, data, length);
    sink.pending += length;
}

}  // namespace

void WriteText(TextSink& sink, const char* text, size_t length) {
    if (!sink.crlf) {
        Append(sink, text, length);
        return;
    }
    // Copied a stretch between line ends at a time, the CR going in as the
    // stretch is copied.
    const char* end = text + length;
    for (const char* p = text; p != end;) {
        const void* found = std::memchr(p, '\n', static_cast<size_t>(end - p));
        const char* stop = found != nullptr ? static_cast<const char*>(found) : end;
        Append(sink, p, static_cast<size_t>(stop - p));
        if (stop == end) break;
        Append(sink, "\r\n", 2);
        p = stop + 1;
    }
}

void WriteText(TextSink& sink, const std::string& text) { WriteText(sink, text.data(), text.size()); }

void WriteText(TextSink& sink, const char* text) { WriteText(sink, text, std::strlen(text)); }

bool FlushText(TextSink& sink) {
    if (sink.pending > 0) {
        WriteThrough(sink, sink.buffer.get(), sink.pending);
        sink.pending = 0;
    }
    return !sink.failed;
}

}  // namespace vezuved
