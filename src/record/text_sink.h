// A text file being written. Files the library writes "as text" get CR LF
// line ends on every platform, written explicitly so the bytes are the same
// on Linux and Windows; files written bytes-as-stored keep LF. The bytes
// are gathered in one buffer and written in large blocks: a line costs a
// copy, not a call into the C library.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "base/memory.h"

namespace vezuved {

constexpr size_t kTextSinkBlock = 256 * 1024;

struct TextSinkBufferFree {
    void operator()(char* buffer) const { MemFree(buffer); }
};

struct TextSink {
    std::FILE* file = nullptr;  // open before the first write
    bool crlf = false;
    bool failed = false;  // a write came up short
    int error = 0;        // errno of the first short write: the OS's reason
    // Bytes not yet written; allocated on first use. Without memory for it
    // every piece is written as it comes.
    std::unique_ptr<char, TextSinkBufferFree> buffer;
    size_t pending = 0;
};

// Writes length bytes of text, each LF as CR LF when the sink asks for it.
void WriteText(TextSink& sink, const char* text, size_t length);
void WriteText(TextSink& sink, const std::string& text);
void WriteText(TextSink& sink, const char* text);

// Writes what the sink still holds. False when any write through it failed.
bool FlushText(TextSink& sink);

}  // namespace vezuved
