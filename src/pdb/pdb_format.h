// The byte layout of a database file: field offsets of the 78-byte header,
// list entry sizes, and big-endian access. Fields are always assembled with
// shifts, never by casting pointers, so alignment and host byte order never
// matter.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "pdb/pdb.h"

namespace vezuved {

namespace pdbfmt {

constexpr uint32_t kHeaderSize = 78;
constexpr uint32_t kListStart = 78;
constexpr uint32_t kGapSize = 2;
constexpr uint32_t kNameSize = 32;

constexpr uint32_t kAttributesAt = 32;
constexpr uint32_t kVersionAt = 34;
constexpr uint32_t kCreationAt = 36;
constexpr uint32_t kModificationAt = 40;
constexpr uint32_t kBackupAt = 44;
constexpr uint32_t kModNumberAt = 48;
constexpr uint32_t kAppInfoAt = 52;
constexpr uint32_t kSortInfoAt = 56;
constexpr uint32_t kTypeAt = 60;
constexpr uint32_t kCreatorAt = 64;
constexpr uint32_t kSeedAt = 68;
constexpr uint32_t kNextListAt = 72;
constexpr uint32_t kCountAt = 76;

constexpr uint32_t kRecordEntrySize = 8;
constexpr uint32_t kResourceEntrySize = 10;
constexpr uint32_t kResourceOffsetAt = 6;  // data offset inside a resource entry

inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t GetU24(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}
inline uint32_t GetU32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | GetU24(p + 1); }
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutU24(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 16);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    PutU24(p + 1, v);
}

inline uint16_t ListKindOf(uint16_t attributes) {
    return (attributes & pdbAttrResourceDb) ? pdbListResource : pdbListRecord;
}
inline uint32_t EntrySizeOf(uint16_t listKind) {
    return listKind == pdbListResource ? kResourceEntrySize : kRecordEntrySize;
}
// The first byte after the record list and its 2-byte gap.
inline uint64_t ListEnd(uint32_t entrySize, uint64_t count) {
    return kListStart + entrySize * count + kGapSize;
}
inline uint32_t EntryDataOffset(const uint8_t* entry, uint16_t listKind) {
    return GetU32(listKind == pdbListResource ? entry + kResourceOffsetAt : entry);
}

// The one list of the header's numeric fields: where each lies and how
// many bytes it takes. Reading and writing both walk it.
template <typename Header, typename Field>
void ForEachHeaderField(Header& h, Field&& field) {
    field(kAttributesAt, 2, h.attributes);
    field(kVersionAt, 2, h.version);
    field(kCreationAt, 4, h.creationDate);
    field(kModificationAt, 4, h.modificationDate);
    field(kBackupAt, 4, h.backupDate);
    field(kModNumberAt, 4, h.modificationNumber);
    field(kAppInfoAt, 4, h.appInfoOffset);
    field(kSortInfoAt, 4, h.sortInfoOffset);
    field(kTypeAt, 4, h.type);
    field(kCreatorAt, 4, h.creator);
    field(kSeedAt, 4, h.uniqueIdSeed);
    field(kNextListAt, 4, h.nextList);
    field(kCountAt, 2, h.recordCount);
}

// The file's 78 bytes as a header: the name's 32 bytes as stored (a name
// without its NUL is the validator's to refuse), dates made host dates.
inline void DecodeHeader(const uint8_t* raw, PdbHeader* h) {
    std::memcpy(h->name, raw, kNameSize);
    ForEachHeaderField(*h, [raw](uint32_t at, uint32_t width, auto& value) {
        value = static_cast<std::remove_reference_t<decltype(value)>>(width == 2 ? GetU16(raw + at)
                                                                                 : GetU32(raw + at));
    });
    h->creationDate = PdbDateToHost(h->creationDate);
    h->modificationDate = PdbDateToHost(h->modificationDate);
    h->backupDate = PdbDateToHost(h->backupDate);
    h->listKind = ListKindOf(h->attributes);
}

// The header as the file's 78 bytes, dates made Palm dates.
inline void EncodeHeader(const PdbHeader& header, uint8_t* raw) {
    PdbHeader h = header;
    h.creationDate = PdbDateFromHost(h.creationDate);
    h.modificationDate = PdbDateFromHost(h.modificationDate);
    h.backupDate = PdbDateFromHost(h.backupDate);
    std::memcpy(raw, h.name, kNameSize);
    ForEachHeaderField(h, [raw](uint32_t at, uint32_t width, auto value) {
        if (width == 2) {
            PutU16(raw + at, static_cast<uint16_t>(value));
        } else {
            PutU32(raw + at, static_cast<uint32_t>(value));
        }
    });
}

}  // namespace pdbfmt

}  // namespace vezuved
