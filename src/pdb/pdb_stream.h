// The byte stream the Palm database container works on. The container never
// opens or closes a file: the caller owns the stream and lends it. A stream
// is a plain table of four functions over a context, so a database can live
// in a C file or in memory (for fuzzing, and for writers that build the
// whole file in memory and store it with one call).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vezuved {

struct PdbStream {
    void* context;
    // Moves to an absolute offset; seeking past the end is allowed, and a
    // later write there fills the gap with zeros.
    bool (*seek)(void* context, uint64_t offset);
    // Total size in bytes; leaves the position where it was.
    bool (*size)(void* context, uint64_t* out);
    // Both return the number of bytes transferred; fewer than asked is a
    // failure (or, for read, the end of the data).
    size_t (*read)(void* context, void* buffer, size_t count);
    size_t (*write)(void* context, const void* data, size_t count);
};

// A stream over an open C file; the file stays the caller's.
PdbStream PdbFileStream(std::FILE* file);

// A growable file in memory with a position, behaving like a binary file:
// reads stop at the end, a write past the end zero-fills the gap. It holds
// at most 4 GiB - 1 bytes, the reach of a database's 32-bit offsets. Not
// copyable or movable, since its stream points at it.
class PdbMemoryFile {
public:
    PdbMemoryFile();
    ~PdbMemoryFile();
    PdbMemoryFile(const PdbMemoryFile&) = delete;
    PdbMemoryFile& operator=(const PdbMemoryFile&) = delete;

    PdbStream* Stream() { return &stream_; }
    const uint8_t* Data() const { return bytes_; }
    size_t Size() const { return size_; }

    // Replaces the contents with a copy of count bytes; position 0.
    // False when memory runs out (the old contents then stay).
    bool Assign(const void* data, size_t count);
    // Replaces the contents with the whole of an open file, read from its
    // start with one call; position 0. False when the file cannot be sized
    // or read or memory runs out (the file can then be read in place).
    bool ReadFrom(std::FILE* file);
    // Empties the file and frees its memory.
    void Clear();
    // Writes every byte at an open file's current position in one call and
    // flushes; false when anything fails.
    bool WriteTo(std::FILE* file) const;

private:
    static bool Seek(void* context, uint64_t offset);
    static bool SizeOf(void* context, uint64_t* out);
    static size_t Read(void* context, void* buffer, size_t count);
    static size_t Write(void* context, const void* data, size_t count);
    bool Reserve(uint64_t needed);

    PdbStream stream_;
    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    uint64_t position_ = 0;
};

}  // namespace vezuved
