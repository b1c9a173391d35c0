#include "pdb_fixture.h"

#include <cstring>

namespace {

void Put(Bytes& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

PdbStream* Inner(void* context) { return static_cast<FaultyStream*>(context)->file.Stream(); }
bool Fails(void* context) {
    FaultyStream* self = static_cast<FaultyStream*>(context);
    return ++self->calls == self->failAt;
}

}  // namespace

Bytes BuildFile(const Fixture& f) {
    size_t entrySize = (f.attributes & 1) ? 10 : 8;
    Bytes b(78 + entrySize * f.entries.size(), 0);
    std::memcpy(b.data(), f.name.data(), f.name.size() < 32 ? f.name.size() : 32);
    Put(b, 32, f.attributes, 2);
    Put(b, 34, f.version, 2);
    for (int i = 0; i < 3; ++i) Put(b, 36 + 4 * i, f.dates[i], 4);
    const uint32_t words[] = {f.appInfo, f.sortInfo, f.type, f.creator, f.seed, f.nextList};
    for (int i = 0; i < 6; ++i) Put(b, 52 + 4 * i, words[i], 4);
    Put(b, 76, f.count < 0 ? static_cast<uint32_t>(f.entries.size()) : f.count, 2);
    for (size_t i = 0; i < f.entries.size(); ++i) {
        size_t at = 78 + entrySize * i;
        Put(b, entrySize == 10 ? at + 6 : at, f.entries[i].offset, 4);
        if (entrySize == 8) {
            b[at + 4] = f.entries[i].attributes;
            Put(b, at + 5, f.entries[i].uniqueId, 3);
        }
    }
    if (f.gap) b.insert(b.end(), 2, 0);
    b.insert(b.end(), f.tail.begin(), f.tail.end());
    return b;
}

Fixture SoundFixture(const std::vector<uint32_t>& sizes, uint32_t appInfoSize) {
    Fixture f;
    uint32_t at = 80 + 8 * static_cast<uint32_t>(sizes.size());
    if (appInfoSize != 0) f.appInfo = at;
    f.tail = Pattern(appInfoSize, 0xa0);
    at += appInfoSize;
    for (uint32_t i = 0; i < sizes.size(); ++i) {
        f.entries.push_back({sizes[i] != 0 ? at : 0, uint8_t(sizes[i] != 0 ? 0 : 0x80), 0x110000 + 5 * i});
        Bytes data = Pattern(sizes[i], static_cast<uint8_t>(i));
        f.tail.insert(f.tail.end(), data.begin(), data.end());
        at += sizes[i];
    }
    return f;
}

Bytes Pattern(uint32_t size, uint8_t seed) {
    Bytes bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return bytes;
}

Bytes FileBytes(std::FILE* file) {
    Bytes bytes;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

FaultyStream::FaultyStream(const Bytes& bytes, long failAtCall) : failAt(failAtCall) {
    file.Assign(bytes.data(), bytes.size());
    stream.context = this;
    stream.seek = [](void* c, uint64_t at) { return !Fails(c) && Inner(c)->seek(Inner(c)->context, at); };
    stream.size = [](void* c, uint64_t* out) { return !Fails(c) && Inner(c)->size(Inner(c)->context, out); };
    stream.read = [](void* c, void* buffer, size_t n) -> size_t {
        return Fails(c) ? 0 : Inner(c)->read(Inner(c)->context, buffer, n);
    };
    stream.write = [](void* c, const void* data, size_t n) -> size_t {
        return Fails(c) ? 0 : Inner(c)->write(Inner(c)->context, data, n);
    };
}
