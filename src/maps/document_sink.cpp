#include "maps/document_sink.h"

#include <cerrno>

namespace vezuved::maps {

void DocumentSink::WriteOut(std::string_view bytes) {
    if (text_ != nullptr) {
        text_->append(bytes);
        return;
    }
    if (failed_) return;
    Flush();
    if (bytes.size() < kBufferSize) {
        Write(bytes);
    } else if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        failed_ = true;
        error_ = errno != 0 ? errno : EIO;
    }
}

bool DocumentSink::Flush() {
    if (file_ == nullptr || failed_) return !failed_;
    errno = 0;
    if (used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
        failed_ = true;
    } else if (std::fflush(file_) != 0) {
        failed_ = true;
    }
    if (failed_) {
        error_ = errno != 0 ? errno : EIO;
        buffer_.reset();  // later writes are dropped
    }
    used_ = 0;
    return !failed_;
}

}  // namespace vezuved::maps
