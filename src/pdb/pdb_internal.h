// Helpers shared by the container's operations: exact stream transfers,
// handle lifetime and the read buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pdb/pdb.h"

namespace vezuved {

namespace pdbimpl {

// A stream with all four functions set.
bool StreamUsable(const PdbStream* stream);
// Seek then transfer exactly count bytes; false on any failure or shortfall.
bool ReadAt(const PdbStream& stream, uint64_t offset, void* buffer, size_t count);
bool WriteAt(const PdbStream& stream, uint64_t offset, const void* data, size_t count);
bool StreamSize(const PdbStream& stream, uint64_t* size);

// A handle that carries the live marker; anything else is refused before
// any field is used.
inline bool HandleAlive(const PdbHandle* handle) {
    return handle != nullptr && handle->marker == pdbHandleMarker;
}

// A zeroed, marked handle over a copy of the stream; null when out of memory.
PdbHandle* NewHandle(const PdbStream& stream, uint16_t mode);
// Frees the buffer and the handle, clearing the marker first so a stale
// pointer is refused rather than reused.
void FreeHandle(PdbHandle* handle);

// Makes the read buffer hold at least size bytes (never fewer than 64 KiB;
// it never shrinks). 0 or pdbErrMemory.
uint32_t GrowReadBuffer(PdbHandle* handle, uint32_t size);

}  // namespace pdbimpl

}  // namespace vezuved
