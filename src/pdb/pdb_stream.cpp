// The stream over a C file. ISO C only: fseek and ftell take a long, so on
// platforms where long is 32-bit the reach is 2 GiB, far beyond any
// database (whose offsets are 32-bit anyway).
#include "pdb/pdb_stream.h"

#include <climits>

namespace vezuved {

namespace {

bool FileSeek(void* context, uint64_t offset) {
    if (offset > static_cast<uint64_t>(LONG_MAX)) return false;
    return std::fseek(static_cast<std::FILE*>(context), static_cast<long>(offset), SEEK_SET) == 0;
}

bool FileSize(void* context, uint64_t* out) {
    std::FILE* file = static_cast<std::FILE*>(context);
    long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0) return false;
    long end = std::ftell(file);
    bool restored = std::fseek(file, position, SEEK_SET) == 0;
    if (end < 0 || !restored) return false;
    *out = static_cast<uint64_t>(end);
    return true;
}

size_t FileRead(void* context, void* buffer, size_t count) {
    return std::fread(buffer, 1, count, static_cast<std::FILE*>(context));
}

size_t FileWrite(void* context, const void* data, size_t count) {
    return std::fwrite(data, 1, count, static_cast<std::FILE*>(context));
}

}  // namespace

PdbStream PdbFileStream(std::FILE* file) { return PdbStream{file, FileSeek, FileSize, FileRead, FileWrite}; }

}  // namespace vezuved
