#include "support/text_sink.h"

#include <cerrno>

namespace vezuved_cli {

void TextSink::Write(std::string_view bytes) {
    if (text_ != nullptr) {
        text_->append(bytes);
        return;
    }
    if (failed_) return;
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) Flush();
}

void TextSink::Write(char c) { Write(std::string_view(&c, 1)); }

bool TextSink::Flush() {
    if (file_ == nullptr || failed_) return !failed_;
    errno = 0;
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        failed_ = true;
    } else if (std::fflush(file_) != 0) {
        failed_ = true;
    }
    if (failed_) error_ = errno != 0 ? errno : EIO;
    buffer_.clear();
    return !failed_;
}

}  // namespace vezuved_cli
