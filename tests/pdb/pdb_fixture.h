// Database files assembled byte by byte, and streams to read them through.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/memory.h"
#include "pdb/pdb.h"

using namespace vezuved;

using Bytes = std::vector<uint8_t>;

inline Bytes Pattern(uint32_t size, uint8_t seed) {
    Bytes bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7);
    return bytes;
}

inline void PutBig(Bytes& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
}

// Header fields as stored; 10-byte resource entries when attribute bit 1 is set.
struct Fixture {
    std::string name = "Test";
    uint16_t attributes = 0, version = 0;
    uint32_t dates[3] = {0, 0, 0};
    uint32_t appInfo = 0, sortInfo = 0, nextList = 0, seed = 0;
    uint32_t type = PdbFourChars("DATA"), creator = PdbFourChars("test");
    int count = -1;  // stored N; -1: the number of entries
    struct Entry {
        uint32_t offset;
        uint8_t attributes;
        uint32_t uniqueId;
    };
    std::vector<Entry> entries;
    bool gap = true;
    Bytes tail;  // everything after list and gap

    Bytes Build() const {
        const size_t entrySize = (attributes & 1) ? 10 : 8;
        Bytes b(78 + entrySize * entries.size(), 0);
        std::memcpy(b.data(), name.data(), name.size() < 32 ? name.size() : 32);
        PutBig(b, 32, uint32_t{attributes} << 16 | version, 4);
        const uint32_t words[] = {
            dates[0], dates[1], dates[2], 0, appInfo, sortInfo, type, creator, seed, nextList};
        for (int i = 0; i < 10; ++i) PutBig(b, 36 + 4 * i, words[i], 4);
        PutBig(b, 76, count < 0 ? static_cast<uint32_t>(entries.size()) : count, 2);
        for (size_t i = 0, at = 78; i < entries.size(); ++i, at += entrySize) {
            PutBig(b, entrySize == 10 ? at + 6 : at, entries[i].offset, 4);
            if (entrySize == 8) b[at + 4] = entries[i].attributes, PutBig(b, at + 5, entries[i].uniqueId, 3);
        }
        if (gap) b.insert(b.end(), 2, 0);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    }
};

// A sound record database: app info block (if any), then one record per
// size (0 = deleted) filled with Pattern(size, index), unique IDs 0x110000 + 5i.
inline Fixture SoundFixture(const std::vector<uint32_t>& sizes, uint32_t appInfoSize = 0) {
    Fixture f;
    uint32_t at = 80 + 8 * static_cast<uint32_t>(sizes.size());
    if (appInfoSize != 0) f.appInfo = at;
    f.tail = Pattern(appInfoSize, 0xa0);
    at += appInfoSize;
    for (uint32_t i = 0; i < sizes.size(); at += sizes[i], ++i) {
        f.entries.push_back({sizes[i] != 0 ? at : 0, uint8_t(sizes[i] != 0 ? 0 : 0x80), 0x110000 + 5 * i});
        const Bytes data = Pattern(sizes[i], static_cast<uint8_t>(i));
        f.tail.insert(f.tail.end(), data.begin(), data.end());
    }
    return f;
}

// A memory file whose nth stream call from now on fails (1 = the next).
struct FaultyStream {
    FaultyStream(const Bytes& bytes, long failAtCall) : failAt(failAtCall) {
        file.Assign(bytes.data(), bytes.size());
        stream = {this,
                  [](void* c, uint64_t at) { return !Fails(c) && In(c)->seek(In(c)->context, at); },
                  [](void* c, uint64_t* out) { return !Fails(c) && In(c)->size(In(c)->context, out); },
                  [](void* c, void* out, size_t n) -> size_t {
                      return Fails(c) ? 0 : In(c)->read(In(c)->context, out, n);
                  },
                  [](void* c, const void* d, size_t n) -> size_t {
                      return Fails(c) ? 0 : In(c)->write(In(c)->context, d, n);
                  }};
    }
    static PdbStream* In(void* c) { return static_cast<FaultyStream*>(c)->file.Stream(); }
    static bool Fails(void* c) {
        return ++static_cast<FaultyStream*>(c)->calls == static_cast<FaultyStream*>(c)->failAt;
    }
    PdbMemoryFile file;
    long failAt, calls = 0;
    PdbStream stream;
};
