// A large block of bytes in pages of its own, given back to the system the
// moment it is freed. A file read whole once for each pass over it (a text
// too long to hold as points) would otherwise come from the C library's
// heap after the first pass, where a small block placed inside the freed
// one makes the next pass take a new one, and the memory grow with the
// passes.
#pragma once

#include <cstddef>
#include <cstdio>

namespace vezuved {

class PageBuffer {
public:
    PageBuffer() = default;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer();

    // size bytes of zeros, what was held before freed; false when the
    // system has no room (the buffer is then empty).
    bool Allocate(size_t size);
    char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    void Free();
    char* data_ = nullptr;
    size_t size_ = 0;
};

// The whole of an open file, from its start, into buffer. False when the
// file is empty or cannot be read whole (errno then names why), or when
// there is no room for it.
bool ReadWholeFileIntoPages(std::FILE* file, PageBuffer& buffer);

}  // namespace vezuved
