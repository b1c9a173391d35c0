// The structural check every database passes before it is opened. Each
// offset the file states is compared with the real file size before
// anything relies on it; a hostile file gets pdbErrFormat, nothing else.
#include <cstring>

#include "pdb/pdb_format.h"
#include "pdb/pdb_internal.h"

namespace vezuved {

using namespace pdbfmt;

namespace {

// The list is read in chunks that hold a whole number of either entry size,
// so even 65535 entries cost a few reads and no allocation.
constexpr size_t kChunkBytes = 4000;
static_assert(kChunkBytes % kRecordEntrySize == 0 && kChunkBytes % kResourceEntrySize == 0,
              "chunks hold whole entries");

bool HeaderSound(const PdbHeader& h, uint64_t fileSize, uint64_t listEnd) {
    if (h.nextList != 0) return false;  // only one record list is supported
    if (std::memchr(h.name, 0, kNameSize) == nullptr) return false;
    if (h.type == 0 || h.creator == 0) return false;
    if (listEnd > fileSize) return false;

    uint64_t appInfo = h.appInfoOffset;
    uint64_t sortInfo = h.sortInfoOffset;
    // The application info block, when present, starts right after the list.
    if (appInfo != 0 && (appInfo != listEnd || listEnd >= fileSize)) return false;
    // An empty database has nothing after its list.
    if (appInfo == 0 && sortInfo == 0 && h.recordCount == 0 && fileSize != listEnd) return false;
    if (sortInfo != 0) {
        if (sortInfo < listEnd || sortInfo >= fileSize || appInfo >= sortInfo) return false;
        if (appInfo == 0 && sortInfo != listEnd) return false;
    }
    return true;
}

// Data offsets must rise strictly, stay inside the file and not point into
// the list; data may start at the gap of a list written without one.
bool EntriesSound(const PdbStream& stream, const PdbHeader& h, uint64_t fileSize, uint64_t listEnd) {
    uint16_t listKind = ListKindOf(h.attributes);
    uint32_t entrySize = EntrySizeOf(listKind);
    uint64_t lowest = h.sortInfoOffset != 0 ? h.sortInfoOffset : h.appInfoOffset;
    uint8_t chunk[kChunkBytes];
    uint32_t remaining = h.recordCount;
    uint64_t at = kListStart;
    while (remaining != 0) {
        uint32_t count =
            remaining < kChunkBytes / entrySize ? remaining : static_cast<uint32_t>(kChunkBytes / entrySize);
        if (!pdbimpl::ReadAt(stream, at, chunk, static_cast<size_t>(count) * entrySize)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* entry = chunk + static_cast<size_t>(i) * entrySize;
            uint64_t offset = EntryDataOffset(entry, listKind);
            if (offset == 0) {
                if (listKind == pdbListRecord && (entry[4] & pdbRecAttrDeleted)) continue;
                return false;
            }
            if (offset <= lowest) return false;
            if (offset < listEnd && offset != listEnd - kGapSize) return false;
            if (offset >= fileSize) return false;
            lowest = offset;
        }
        remaining -= count;
        at += static_cast<uint64_t>(count) * entrySize;
    }
    return true;
}

}  // namespace

uint32_t PdbValidate(PdbStream* stream) {
    if (!pdbimpl::StreamUsable(stream)) return pdbErrFormat;
    uint64_t fileSize = 0;
    if (!pdbimpl::StreamSize(*stream, &fileSize) || fileSize < kListStart + kGapSize) {
        return pdbErrFormat;
    }
    uint8_t raw[kHeaderSize];
    if (!pdbimpl::ReadAt(*stream, 0, raw, sizeof raw)) return pdbErrFormat;
    PdbHeader header;
    DecodeHeader(raw, &header);
    uint64_t listEnd = ListEnd(EntrySizeOf(ListKindOf(header.attributes)), header.recordCount);
    if (!HeaderSound(header, fileSize, listEnd)) return pdbErrFormat;
    if (!EntriesSound(*stream, header, fileSize, listEnd)) return pdbErrFormat;
    return 0;
}

}  // namespace vezuved
