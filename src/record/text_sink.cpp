#include "record/text_sink.h"

#include <cstring>

void WriteText(TextSink& sink, const char* text, size_t length) {
    if (sink.file == nullptr || length == 0) return;
    const char* data = text;
    if (sink.crlf && std::memchr(text, '\n', length) != nullptr) {
        sink.translated.clear();
        for (size_t i = 0; i < length; ++i) {
            if (text[i] == '\n') sink.translated.push_back('\r');
            sink.translated.push_back(text[i]);
        }
        data = sink.translated.data();
        length = sink.translated.size();
    }
    if (std::fwrite(data, 1, length, sink.file) != length) sink.failed = true;
}

void WriteText(TextSink& sink, const std::string& text) { WriteText(sink, text.data(), text.size()); }

void WriteText(TextSink& sink, const char* text) { WriteText(sink, text, std::strlen(text)); }
