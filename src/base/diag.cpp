#include "base/diag.h"

#include <cstdarg>
#include <cstdio>

#include "platform/library_lock.h"
#include "platform/system.h"

namespace vezuved {

namespace {

void WriteWhereAlways(void* /*context*/, DiagKind kind, const char* bytes, size_t length) {
    if (kind == DiagKind::Output) {
        std::fwrite(bytes, 1, length, stdout);
        return;
    }
    // Widened byte by byte, as the device layer's texts are.
    try {
        std::basic_string<WCHAR> text(bytes, bytes + length);
        for (WCHAR& c : text) c = static_cast<WCHAR>(c & 0xFF);
        PlatformDebugOutput(text.c_str());
    } catch (...) {
        // Without memory for the line the result code still tells.
    }
}

// Read and replaced only under the library lock.
DiagSink g_sink{WriteWhereAlways, nullptr};

}  // namespace

DiagSink DefaultDiagSink() { return DiagSink{WriteWhereAlways, nullptr}; }

DiagSink SetDiagSink(DiagSink sink) {
    const LibraryLock lock;
    const DiagSink previous = g_sink;
    g_sink = sink.write != nullptr ? sink : DefaultDiagSink();
    return previous;
}

void DiagWrite(DiagKind kind, const char* bytes, size_t length) noexcept {
    if (length == 0) return;
    const LibraryLock lock;
    g_sink.write(g_sink.context, kind, bytes, length);
}

void DiagPrint(const char* format, ...) noexcept {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        va_end(again);
        DiagWrite(DiagKind::Output, small, static_cast<size_t>(needed));
        return;
    }
    try {
        std::string text(static_cast<size_t>(needed) + 1, '\0');
        std::vsnprintf(&text[0], text.size(), format, again);
        text.pop_back();
        DiagWrite(DiagKind::Output, text.data(), text.size());
    } catch (...) {
        // Without memory for a long line the result code still tells.
    }
    va_end(again);
}

void DiagCause(const std::string& cause) noexcept {
    try {
        const std::string line = "VEZUVed: " + cause + "\n";
        DiagWrite(DiagKind::Cause, line.data(), line.size());
    } catch (...) {
    }
}

}  // namespace vezuved
