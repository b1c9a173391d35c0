// Database files assembled byte by byte, and streams to read them through.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pdb/pdb.h"

using Bytes = std::vector<uint8_t>;

struct FixtureEntry {
    uint32_t offset;
    uint8_t attributes;
    uint32_t uniqueId;
};

// Header fields as stored; 10-byte resource entries when attribute bit 1 is set.
struct Fixture {
    std::string name = "Test";
    uint16_t attributes = 0, version = 0;
    uint32_t dates[3] = {0, 0, 0};
    uint32_t appInfo = 0, sortInfo = 0, nextList = 0, seed = 0;
    uint32_t type = PdbFourChars("DATA"), creator = PdbFourChars("test");
    int count = -1;  // stored N; -1: the number of entries
    std::vector<FixtureEntry> entries;
    bool gap = true;
    Bytes tail;  // everything after list and gap
};

Bytes BuildFile(const Fixture& fixture);
// A sound record database: app info block (if any), then one record per
// size (0 = deleted) filled with Pattern(size, index), unique IDs 0x110000 + 5i.
Fixture SoundFixture(const std::vector<uint32_t>& recordSizes, uint32_t appInfoSize = 0);
Bytes Pattern(uint32_t size, uint8_t seed);
Bytes FileBytes(std::FILE* file);

// A memory file whose nth stream call from now on fails (1 = the next).
struct FaultyStream {
    FaultyStream(const Bytes& bytes, long failAt);
    PdbMemoryFile file;
    long failAt, calls = 0;
    PdbStream stream;
};
