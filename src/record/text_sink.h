// A text file being written. Files the library writes "as text" get CR LF
// line ends on every platform, written explicitly so the bytes are the same
// on Linux and Windows; files written bytes-as-stored keep LF.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct TextSink {
    std::FILE* file = nullptr;
    bool crlf = false;
    bool failed = false;      // a write came up short
    int error = 0;            // errno of the first short write: the OS's reason
    std::string translated;   // reused, so a line costs no allocation
};

// Writes length bytes of text, each LF as CR LF when the sink asks for it.
void WriteText(TextSink& sink, const char* text, size_t length);
void WriteText(TextSink& sink, const std::string& text);
void WriteText(TextSink& sink, const char* text);
