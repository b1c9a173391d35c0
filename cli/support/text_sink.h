// Where a document goes while it is written: appended to a string (for
// show's text and the tests), or into an open file through a 64 KiB
// buffer, so the memory a large track needs does not grow with its output.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vezuved_cli {

class TextSink {
public:
    static constexpr size_t kBufferSize = 64 * 1024;

    explicit TextSink(std::string& text) : text_(&text) {}
    explicit TextSink(std::FILE* file) : file_(file) { buffer_.reserve(kBufferSize); }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    void Write(std::string_view bytes);
    void Write(char c);
    // Sends what is buffered to the file. False once any write has failed;
    // later writes are dropped and error() keeps the first errno.
    bool Flush();
    int error() const { return error_; }

private:
    std::string* text_ = nullptr;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    int error_ = 0;
    bool failed_ = false;
};

}  // namespace vezuved_cli
