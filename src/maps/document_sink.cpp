#include "maps/document_sink.h"

#include <cerrno>

namespace vezuved::maps {

bool DocumentSink::Put(const char* bytes, size_t size) {
    if (write_ != nullptr) return write_(context_, bytes, size);
    return std::fwrite(bytes, 1, size, file_) == size;
}

void DocumentSink::WriteOut(std::string_view bytes) {
    if (text_ != nullptr) {
        text_->append(bytes);
        return;
    }
    if (failed_) return;
    Flush();
    if (bytes.size() < kBufferSize) {
        Write(bytes);
    } else if (!failed_ && !Put(bytes.data(), bytes.size())) {
        failed_ = true;
        error_ = errno != 0 ? errno : EIO;
    }
}

bool DocumentSink::Flush() {
    if (text_ != nullptr || failed_) return !failed_;
    errno = 0;
    if (used_ > 0 && !Put(buffer_.get(), used_)) {
        failed_ = true;
    } else if (file_ != nullptr && std::fflush(file_) != 0) {
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
