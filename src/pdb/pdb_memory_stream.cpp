#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/memory.h"
#include "pdb/pdb_stream.h"

namespace vezuved {

namespace {
// Offsets inside a database are 32-bit; anything larger is a runaway.
constexpr uint64_t kMaxBytes = UINT32_MAX;
constexpr size_t kMinCapacity = 4096;
}  // namespace

PdbMemoryFile::PdbMemoryFile() : stream_{this, Seek, SizeOf, Read, Write} {}

PdbMemoryFile::~PdbMemoryFile() { MemFree(bytes_); }

void PdbMemoryFile::Clear() {
    MemFree(bytes_);
    bytes_ = nullptr;
    size_ = capacity_ = 0;
    position_ = 0;
}

bool PdbMemoryFile::Reserve(uint64_t needed) {
    if (needed > kMaxBytes) return false;
    if (needed <= capacity_) return true;
    // Doubling keeps a writer that appends record by record linear.
    uint64_t grown = capacity_ < kMinCapacity ? kMinCapacity : static_cast<uint64_t>(capacity_) * 2;
    grown = std::min(std::max(grown, needed), kMaxBytes);
    void* block = MemReallocate(bytes_, static_cast<size_t>(grown));
    if (block == nullptr) return false;
    bytes_ = static_cast<uint8_t*>(block);
    capacity_ = static_cast<size_t>(grown);
    return true;
}

bool PdbMemoryFile::Assign(const void* data, size_t count) {
    if (count > capacity_) {
        // Exact size: a loaded file is mostly read, not appended to.
        if (count > kMaxBytes) return false;
        void* block = MemReallocate(bytes_, count);
        if (block == nullptr) return false;
        bytes_ = static_cast<uint8_t*>(block);
        capacity_ = count;
    }
    if (count != 0) std::memcpy(bytes_, data, count);
    size_ = count;
    position_ = 0;
    return true;
}

bool PdbMemoryFile::ReadFrom(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    long end = std::ftell(file);
    if (end < 0 || static_cast<uint64_t>(end) > kMaxBytes || std::fseek(file, 0, SEEK_SET) != 0) return false;
    const size_t count = static_cast<size_t>(end);
    if (count > capacity_) {
        // Free first: the old contents are not kept, so they need not
        // live beside the new ones. Never failed by the test hook: running
        // out here only makes the caller read the file in place, nothing a
        // host could see.
        Clear();
        void* block = MemAllocateUnfailed(count);
        if (block == nullptr) return false;
        bytes_ = static_cast<uint8_t*>(block);
        capacity_ = count;
    }
    size_ = 0;
    position_ = 0;
    if (count != 0 && std::fread(bytes_, 1, count, file) != count) return false;
    size_ = count;
    return true;
}

bool PdbMemoryFile::WriteTo(std::FILE* file) const {
    if (size_ != 0 && std::fwrite(bytes_, 1, size_, file) != size_) return false;
    return std::fflush(file) == 0;
}

bool PdbMemoryFile::Seek(void* context, uint64_t offset) {
    if (offset > kMaxBytes) return false;
    static_cast<PdbMemoryFile*>(context)->position_ = offset;
    return true;
}

bool PdbMemoryFile::SizeOf(void* context, uint64_t* out) {
    *out = static_cast<PdbMemoryFile*>(context)->size_;
    return true;
}

size_t PdbMemoryFile::Read(void* context, void* buffer, size_t count) {
    PdbMemoryFile* self = static_cast<PdbMemoryFile*>(context);
    if (self->position_ >= self->size_) return 0;
    size_t available = self->size_ - static_cast<size_t>(self->position_);
    size_t n = count < available ? count : available;
    if (n != 0) std::memcpy(buffer, self->bytes_ + self->position_, n);
    self->position_ += n;
    return n;
}

size_t PdbMemoryFile::Write(void* context, const void* data, size_t count) {
    PdbMemoryFile* self = static_cast<PdbMemoryFile*>(context);
    if (count == 0) return 0;
    uint64_t end = self->position_ + count;
    if (end < self->position_ || !self->Reserve(end)) return 0;
    size_t at = static_cast<size_t>(self->position_);
    if (at > self->size_) std::memset(self->bytes_ + self->size_, 0, at - self->size_);
    std::memcpy(self->bytes_ + at, data, count);
    if (end > self->size_) self->size_ = static_cast<size_t>(end);
    self->position_ = end;
    return count;
}

}  // namespace vezuved
