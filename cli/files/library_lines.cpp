#include "files/library_lines.h"

#include <cctype>
#include <cstring>
#include <ostream>
#include <utility>

using namespace vezuved;

namespace vezuved_cli {
namespace {

bool StartsWith(const std::string& text, const char* start) {
    return text.compare(0, std::strlen(start), start) == 0;
}

// "Err: 0x40b": the whole message, as CheckError prints it.
bool IsErrorCode(const std::string& text) {
    if (!StartsWith(text, "Err: 0x") || text.size() == 7) return false;
    for (size_t i = 7; i < text.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i])) &&
            !(text[i] == '\n' && i + 1 == text.size())) {
            return false;
        }
    }
    return true;
}

// Each message but the listing's pieces ends its own line (some without
// the line end): its lines, without the blank ones.
void WholeLines(const std::string& text, std::string& to) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) to.append(text, start, end - start).push_back('\n');
        start = end + 1;
    }
}

}  // namespace

bool IsLibraryDiagnostic(const std::string& message) {
    if (IsErrorCode(message)) return true;
    // Printed without a line end, so never a report row's first piece.
    for (const char* start : {"Can't mount Database Volume: ", "Invalid version #: "}) {
        if (StartsWith(message, start)) return true;
    }
    // Whole lines; a report row's first piece (its name) has no line end.
    if (message.empty() || message.back() != '\n') return false;
    for (const char* start : {"Error ",
                              "Err: ",
                              "No PC Folder Name specified",
                              "Remote API entry point missing: ",
                              "Unable to ",
                              "No Cal File",
                              "error opening"}) {
        if (StartsWith(message, start)) return true;
    }
    return false;
}

void LibraryLines::Take(bool cause, const char* bytes, size_t length, std::string& out, std::string& err) {
    const std::string text(bytes, length);
    if (cause || !listingReport_ || (open_.empty() && IsLibraryDiagnostic(text))) {
        WholeLines(text, err);
        return;
    }
    open_ += text;
    const size_t end = open_.rfind('\n');
    if (end == std::string::npos) return;
    out.append(open_, 0, end + 1);
    open_.erase(0, end + 1);
}

void LibraryLines::Finish(std::string& out) {
    if (open_.empty()) return;
    out += open_ + "\n";
    open_.clear();
}

namespace {

// "VEZUVed: <cause>\n": the cause without the library's name and the end of line.
std::string CauseWords(const char* bytes, size_t length) {
    std::string cause(bytes, length);
    const std::string prefix = "VEZUVed: ";
    if (cause.compare(0, prefix.size(), prefix) == 0) cause.erase(0, prefix.size());
    while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r')) cause.pop_back();
    return cause;
}

}  // namespace

LibraryLineSink::LibraryLineSink(std::ostream& out, std::ostream& err, bool listingReport)
    : out_(out), err_(err), lines_(listingReport), previous_(SetDiagSink(DiagSink{Write, this})) {}

LibraryLineSink::~LibraryLineSink() { SetDiagSink(previous_); }

void LibraryLineSink::Write(void* context, DiagKind kind, const char* bytes, size_t length) {
    LibraryLineSink& sink = *static_cast<LibraryLineSink*>(context);
    std::string out, err;
    sink.lines_.Take(kind == DiagKind::Cause, bytes, length, out, err);
    if (kind == DiagKind::Cause) sink.cause_ = CauseWords(bytes, length);
    // Each whole line as it comes, and what the run printed before it first.
    if (!out.empty()) sink.out_ << out << std::flush;
    if (err.empty()) return;
    sink.out_.flush();
    sink.err_ << err << std::flush;
}

void LibraryLineSink::Finish() {
    std::string out;
    lines_.Finish(out);
    out_ << out << std::flush;
}

std::string LibraryLineSink::TakeCause() { return std::exchange(cause_, std::string()); }

}  // namespace vezuved_cli
