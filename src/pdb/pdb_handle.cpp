#include <new>

#include "base/memory.h"
#include "pdb/pdb_internal.h"

namespace vezuved {

namespace pdbimpl {

namespace {
constexpr uint32_t kMinReadBuffer = 65536;
}

bool StreamUsable(const PdbStream* stream) {
    return stream != nullptr && stream->seek != nullptr && stream->size != nullptr &&
           stream->read != nullptr && stream->write != nullptr;
}

bool ReadAt(const PdbStream& stream, uint64_t offset, void* buffer, size_t count) {
    return stream.seek(stream.context, offset) && stream.read(stream.context, buffer, count) == count;
}

bool WriteAt(const PdbStream& stream, uint64_t offset, const void* data, size_t count) {
    return stream.seek(stream.context, offset) && stream.write(stream.context, data, count) == count;
}

bool StreamSize(const PdbStream& stream, uint64_t* size) { return stream.size(stream.context, size); }

PdbHandle* NewHandle(const PdbStream& stream, uint16_t mode) {
    void* block = MemAllocateZeroed(1, sizeof(PdbHandle));
    if (block == nullptr) return nullptr;
    PdbHandle* handle = new (block) PdbHandle();
    handle->marker = pdbHandleMarker;
    handle->mode = mode;
    handle->stream = stream;
    return handle;
}

void FreeHandle(PdbHandle* handle) {
    MemFree(handle->readBuffer);
    handle->readBuffer = nullptr;
    handle->marker = 0;
    MemFree(handle);
}

uint32_t GrowReadBuffer(PdbHandle* handle, uint32_t size) {
    if (size <= handle->readBufferCapacity) return 0;
    uint32_t capacity = size < kMinReadBuffer ? kMinReadBuffer : size;
    void* block = MemReallocate(handle->readBuffer, capacity);
    if (block == nullptr) return pdbErrMemory;
    handle->readBuffer = static_cast<uint8_t*>(block);
    handle->readBufferCapacity = capacity;
    return 0;
}

}  // namespace pdbimpl

uint32_t PdbRelease(PdbHandle* handle) {
    if (handle == nullptr) return 0;
    if (!pdbimpl::HandleAlive(handle)) return pdbErrIndex;
    pdbimpl::FreeHandle(handle);
    return 0;
}

}  // namespace vezuved
