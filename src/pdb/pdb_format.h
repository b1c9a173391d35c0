// The byte layout of a database file: field offsets of the 78-byte header,
// list entry sizes, and big-endian access. Fields are always assembled with
// shifts, never by casting pointers, so alignment and host byte order never
// matter.
#pragma once

#include <cstdint>
#include <cstring>

#include "pdb/pdb.h"

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

inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
inline uint32_t GetU24(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}
inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | GetU24(p + 1);
}
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

// The header, field by field, in file terms (Palm dates, raw codes).
struct Header {
    uint8_t name[kNameSize];
    uint16_t attributes;
    uint16_t version;
    uint32_t creationDate;
    uint32_t modificationDate;
    uint32_t backupDate;
    uint32_t modificationNumber;
    uint32_t appInfoOffset;
    uint32_t sortInfoOffset;
    uint32_t type;
    uint32_t creator;
    uint32_t uniqueIdSeed;
    uint32_t nextList;
    uint16_t recordCount;
};

inline void DecodeHeader(const uint8_t* raw, Header* h) {
    std::memcpy(h->name, raw, kNameSize);
    h->attributes = GetU16(raw + kAttributesAt);
    h->version = GetU16(raw + kVersionAt);
    h->creationDate = GetU32(raw + kCreationAt);
    h->modificationDate = GetU32(raw + kModificationAt);
    h->backupDate = GetU32(raw + kBackupAt);
    h->modificationNumber = GetU32(raw + kModNumberAt);
    h->appInfoOffset = GetU32(raw + kAppInfoAt);
    h->sortInfoOffset = GetU32(raw + kSortInfoAt);
    h->type = GetU32(raw + kTypeAt);
    h->creator = GetU32(raw + kCreatorAt);
    h->uniqueIdSeed = GetU32(raw + kSeedAt);
    h->nextList = GetU32(raw + kNextListAt);
    h->recordCount = GetU16(raw + kCountAt);
}

inline void EncodeHeader(const Header& h, uint8_t* raw) {
    std::memcpy(raw, h.name, kNameSize);
    PutU16(raw + kAttributesAt, h.attributes);
    PutU16(raw + kVersionAt, h.version);
    PutU32(raw + kCreationAt, h.creationDate);
    PutU32(raw + kModificationAt, h.modificationDate);
    PutU32(raw + kBackupAt, h.backupDate);
    PutU32(raw + kModNumberAt, h.modificationNumber);
    PutU32(raw + kAppInfoAt, h.appInfoOffset);
    PutU32(raw + kSortInfoAt, h.sortInfoOffset);
    PutU32(raw + kTypeAt, h.type);
    PutU32(raw + kCreatorAt, h.creator);
    PutU32(raw + kSeedAt, h.uniqueIdSeed);
    PutU32(raw + kNextListAt, h.nextList);
    PutU16(raw + kCountAt, h.recordCount);
}

}  // namespace pdbfmt
