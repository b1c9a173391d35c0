// The one way the library says anything. Two kinds of message:
//  - output: the lines a host sees on standard output ("Err: 0x408",
//    "No Cal File", "Copying to Device: x"), bytes and all, unflushed as
//    printf leaves them;
//  - cause: why a call failed, in words ("cannot write 'keep.pdb': No space
//    left on device"), one line "VEZUVed: <cause>" for the debugger output
//    (standard error on POSIX); the result codes stay what they are.
// Both go to one sink. The default writes them where they always went; the
// command-line tool and the tests put their own in its place.
#pragma once

#include <cstddef>
#include <string>

namespace vezuved {

enum class DiagKind { Output, Cause };

// Receives every message: the exact bytes (a cause already as its whole
// debugger line, newline included). Called with the library lock held.
struct DiagSink {
    void (*write)(void* context, DiagKind kind, const char* bytes, size_t length);
    void* context;
};

// The sink that writes output to standard output and causes to the
// debugger output line.
DiagSink DefaultDiagSink();

// Puts a sink in place and returns the one it replaces. It takes the
// library lock, so a swap waits for a running export to finish and no
// message is ever split between two sinks.
DiagSink SetDiagSink(DiagSink sink);

// The sink for as long as the scope lives; the previous one afterwards.
struct DiagScope {
    explicit DiagScope(DiagSink sink) : previous(SetDiagSink(sink)) {}
    ~DiagScope() { SetDiagSink(previous); }
    DiagScope(const DiagScope&) = delete;
    DiagScope& operator=(const DiagScope&) = delete;
    DiagSink previous;
};

// Sends bytes of one kind as they are.
void DiagWrite(DiagKind kind, const char* bytes, size_t length) noexcept;

// An output message, formatted as printf would.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void DiagPrint(const char* format, ...) noexcept;

// A cause, sent as the line "VEZUVed: <cause>\n". Without memory for the
// words nothing is sent: the result code still tells.
void DiagCause(const std::string& cause) noexcept;

}  // namespace vezuved
