// Files the tool writes itself: written beside their target and swapped in
// whole, so a failure leaves what was there; "-" is standard output.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vezuved_cli {

// Where a file goes while it is written: each piece straight on to the
// file, which buffers it. The first failure is kept and ends the writing.
class FileSink {
public:
    using Put = std::function<bool(std::string_view)>;
    explicit FileSink(Put put) : put_(std::move(put)) {}
    void Write(std::string_view bytes) {
        if (!failed_ && !bytes.empty()) failed_ = !put_(bytes);
    }
    bool failed() const { return failed_; }

private:
    Put put_;
    bool failed_ = false;
};

// Writes text to path, failing with a sentence that names it.
void WriteFileOrFail(const std::string& path, const std::string& text);
// The same for a document written piece by piece into the sink: the target
// is replaced only when write returned and every byte reached the disk; a
// failure thrown by write leaves the target as it was.
void WriteFileOrFail(const std::string& path, const std::function<void(FileSink&)>& write);

}  // namespace vezuved_cli
