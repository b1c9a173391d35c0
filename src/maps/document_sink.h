// Where a document goes while it is written: appended to a string (for
// show's text and the tests), or into an open file or a caller's writer
// through a 64 KiB buffer, so the memory a large track needs does not grow
// with its output.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace vezuved::maps {

class DocumentSink {
public:
    static constexpr size_t kBufferSize = 64 * 1024;

    // Takes size bytes; false when it failed (errno says why when it can).
    using WriteFunction = bool (*)(void* context, const char* bytes, size_t size);

    explicit DocumentSink(std::string& text) : text_(&text) {}
    explicit DocumentSink(std::FILE* file) : file_(file), buffer_(new char[kBufferSize]) {}
    // Into a writer of the caller's, in pieces of up to the buffer's size.
    DocumentSink(WriteFunction write, void* context)
        : write_(write), context_(context), buffer_(new char[kBufferSize]) {}
    DocumentSink(const DocumentSink&) = delete;
    DocumentSink& operator=(const DocumentSink&) = delete;

    // Inline: a document is written in many small pieces.
    void Write(std::string_view bytes) {
        if (bytes.empty()) return;  // an empty view may hold no address, which memcpy must not get
        if (used_ + bytes.size() < kBufferSize && buffer_) {
            std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
        } else {
            WriteOut(bytes);
        }
    }
    void Write(char c) { Write(std::string_view(&c, 1)); }
    // Sends what is buffered to the file. False once any write has failed;
    // later writes are dropped and error() keeps the first errno.
    bool Flush();
    int error() const { return error_; }

private:
    void WriteOut(std::string_view bytes);
    bool Put(const char* bytes, size_t size);

    std::string* text_ = nullptr;
    std::FILE* file_ = nullptr;
    WriteFunction write_ = nullptr;
    void* context_ = nullptr;
    std::unique_ptr<char[]> buffer_;  // a file's; none for a string
    size_t used_ = 0;
    int error_ = 0;
    bool failed_ = false;
};

}  // namespace vezuved::maps
