#include "platform/page_buffer.h"

#include <cerrno>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace vezuved {

PageBuffer::~PageBuffer() { Free(); }

void PageBuffer::Free() {
    if (data_ == nullptr) return;
#if defined(_WIN32)
    VirtualFree(data_, 0, MEM_RELEASE);
#else
    munmap(data_, size_);
#endif
    data_ = nullptr;
    size_ = 0;
}

bool PageBuffer::Allocate(size_t size) {
    Free();
    if (size == 0) return true;
#if defined(_WIN32)
    void* pages = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (pages == nullptr) return false;
#else
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return false;
#endif
    data_ = static_cast<char*>(pages);
    size_ = size;
    return true;
}

bool ReadWholeFileIntoPages(std::FILE* file, PageBuffer& buffer) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file);
    if (size <= 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    if (!buffer.Allocate(static_cast<size_t>(size))) {
        errno = ENOMEM;
        return false;
    }
    return std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size();
}

}  // namespace vezuved
