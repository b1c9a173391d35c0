#include "core/device_lines.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vezuved::core {
namespace {

bool StartsWith(const std::string& text, const char* start) {
    return text.compare(0, std::strlen(start), start) == 0;
}

// "Err: 0x40b", the whole message, as a failed device call prints it (one
// with a line end is a problem by its start alone).
bool IsErrorCode(const std::string& text) {
    return StartsWith(text, "Err: 0x") && text.size() > 7 &&
           std::all_of(text.begin() + 7, text.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c));
           });
}

// A problem rather than a piece of the report: the report's rows are
// printed a column at a time, the first (the name) without a line end.
bool IsProblem(const std::string& message) {
    if (IsErrorCode(message)) return true;
    for (const char* start : {"Can't mount Database Volume: ", "Invalid version #: "})
        if (StartsWith(message, start)) return true;
    if (message.empty() || message.back() != '\n') return false;
    for (const char* start : {"Error ",
                              "Err: ",
                              "No PC Folder Name specified",
                              "Remote API entry point missing: ",
                              "Unable to ",
                              "error opening"}) {
        if (StartsWith(message, start)) return true;
    }
    return false;
}

}  // namespace

void DeviceLines::Take(const char* bytes, size_t length) {
    const std::string text(bytes, length);
    const bool rowOpen = !report_.empty() && report_.back() != '\n';
    if (listingReport_ && (rowOpen || !IsProblem(text))) {
        report_ += text;
        return;
    }
    // Each message ends its own line, some without the line end.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) line_(text.substr(start, end - start));
        start = end + 1;
    }
}

std::string DeviceLines::Report() {
    if (!report_.empty() && report_.back() != '\n') report_ += '\n';
    return report_;
}

}  // namespace vezuved::core
