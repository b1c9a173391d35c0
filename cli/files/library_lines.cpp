#include "files/library_lines.h"

#include <ostream>
#include <utility>

using namespace vezuved;

namespace vezuved_cli {
namespace {

// Each message ends its own line (some without the line end): its lines,
// without the blank ones.
void WholeLines(const std::string& text, std::string& to) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) to.append(text, start, end - start).push_back('\n');
        start = end + 1;
    }
}

// "VEZUVed: <cause>\n": the cause without the library's name and the end of line.
std::string CauseWords(const char* bytes, size_t length) {
    std::string cause(bytes, length);
    const std::string prefix = "VEZUVed: ";
    if (cause.compare(0, prefix.size(), prefix) == 0) cause.erase(0, prefix.size());
    while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r')) cause.pop_back();
    return cause;
}

}  // namespace

LibraryLineSink::LibraryLineSink(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), previous_(SetDiagSink(DiagSink{Write, this})) {}

LibraryLineSink::~LibraryLineSink() { SetDiagSink(previous_); }

void LibraryLineSink::Write(void* context, DiagKind kind, const char* bytes, size_t length) {
    LibraryLineSink& sink = *static_cast<LibraryLineSink*>(context);
    std::string err;
    WholeLines(std::string(bytes, length), err);
    if (kind == DiagKind::Cause) sink.cause_ = CauseWords(bytes, length);
    // Each whole line as it comes, and what the run printed before it first.
    if (err.empty()) return;
    sink.out_.flush();
    sink.err_ << err << std::flush;
}

std::string LibraryLineSink::TakeCause() { return std::exchange(cause_, std::string()); }

}  // namespace vezuved_cli
