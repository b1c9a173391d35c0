// Reading an open database: header facts, the application info block and
// records. Sizes are never stored in the file; each is worked out from the
// next offset and bounded by the real file size before the read buffer
// grows, so a damaged file cannot cause an overlong allocation.
#include <cstring>

#include "pdb/pdb_format.h"
#include "pdb/pdb_internal.h"

namespace vezuved {

using namespace pdbfmt;

namespace {

uint32_t ReadInfo(PdbHandle* handle, PdbHeader* header) {
    uint8_t raw[kHeaderSize];
    if (!pdbimpl::ReadAt(handle->stream, 0, raw, sizeof raw)) return pdbErrIO;
    DecodeHeader(raw, header);
    header->name[kNameSize - 1] = '\0';  // the file may have changed since it was checked
    return 0;
}

// The block runs from its offset to the sort info block, else to the first
// record's data, else to the end of the file.
uint32_t MeasureAppInfo(PdbHandle* handle, uint32_t* size) {
    *size = 0;
    uint64_t start = handle->appInfoOffset;
    if (start == 0) return 0;
    uint64_t fileSize = 0;
    if (!pdbimpl::StreamSize(handle->stream, &fileSize)) return pdbErrIO;
    uint64_t end = handle->sortInfoOffset;
    if (end == 0 && handle->recordCount != 0) {
        uint8_t entry[kResourceEntrySize];
        size_t entrySize = EntrySizeOf(handle->listKind);
        if (!pdbimpl::ReadAt(handle->stream, kListStart, entry, entrySize)) return pdbErrIO;
        end = EntryDataOffset(entry, handle->listKind);
        if (end == 0 && handle->listKind == pdbListResource) return pdbErrFormat;
    }
    if (end == 0) end = fileSize;
    if (end <= start || end > fileSize) return pdbErrFormat;
    *size = static_cast<uint32_t>(end - start);
    return 0;
}

// Entry index, and index + 1 when there is one, give the record's data
// offset and size; nothing else of the list is touched.
uint32_t LocateRecord(PdbHandle* handle, uint32_t index, PdbRecordEntry* entry, uint32_t* offset) {
    bool hasNext = index + 1 < handle->recordCount;
    uint8_t raw[2 * kRecordEntrySize];
    uint64_t at = kListStart + static_cast<uint64_t>(index) * kRecordEntrySize;
    if (!pdbimpl::ReadAt(handle->stream, at, raw, hasNext ? sizeof raw : kRecordEntrySize)) {
        return pdbErrIO;
    }
    uint32_t dataOffset = GetU32(raw);
    uint8_t attributes = raw[4];
    uint32_t size = 0;
    if (dataOffset == 0) {
        // Only a deleted record may be without data.
        if (!(attributes & pdbRecAttrDeleted)) return pdbErrFormat;
    } else {
        uint64_t fileSize = 0;
        if (!pdbimpl::StreamSize(handle->stream, &fileSize)) return pdbErrIO;
        uint64_t next = hasNext ? GetU32(raw + kRecordEntrySize) : 0;
        if (next == 0) next = fileSize;
        if (next <= dataOffset || next > fileSize) return pdbErrFormat;
        size = static_cast<uint32_t>(next - dataOffset);
    }
    entry->size = size;
    entry->attributes = attributes;
    entry->uniqueId = GetU24(raw + 5);
    *offset = dataOffset;
    return 0;
}

// Checks shared by both record reads that answer without becoming pending.
uint32_t RecordRequestRefused(const PdbHandle* handle, uint32_t index) {
    if (handle->pendingError != 0) return handle->pendingError;
    if (index >= handle->recordCount) return pdbErrNoRecord;
    // Resource entries carry no record attributes or IDs.
    if (handle->listKind != pdbListRecord) return pdbErrFormat;
    return 0;
}

}  // namespace

uint32_t PdbGetInfo(PdbHandle* handle, PdbHeader* info) {
    if (!pdbimpl::HandleAlive(handle) || info == nullptr) return pdbErrIndex;
    std::memset(info, 0, sizeof *info);
    if (handle->pendingError != 0) return handle->pendingError;
    uint32_t code = ReadInfo(handle, info);
    if (code != 0) std::memset(info, 0, sizeof *info);
    return handle->pendingError = code;
}

uint32_t PdbAppInfoSize(PdbHandle* handle, uint32_t* size) {
    if (!pdbimpl::HandleAlive(handle) || size == nullptr) return pdbErrIndex;
    *size = 0;
    if (handle->pendingError != 0) return handle->pendingError;
    return handle->pendingError = MeasureAppInfo(handle, size);
}

void PdbReadAppInfo(PdbHandle* handle, const uint8_t** data, uint32_t* size) {
    if (data != nullptr) *data = nullptr;
    if (size != nullptr) *size = 0;
    if (!pdbimpl::HandleAlive(handle) || data == nullptr || size == nullptr) return;
    if (handle->pendingError != 0) return;
    uint32_t length = 0;
    uint32_t code = MeasureAppInfo(handle, &length);
    if (code == 0 && length != 0) code = pdbimpl::GrowReadBuffer(handle, length);
    if (code == 0 && length != 0 &&
        !pdbimpl::ReadAt(handle->stream, handle->appInfoOffset, handle->readBuffer, length)) {
        code = pdbErrIO;
    }
    handle->pendingError = code;
    if (code == 0 && length != 0) {
        *data = handle->readBuffer;
        *size = length;
    }
}

uint32_t PdbGetRecordEntry(PdbHandle* handle, uint32_t index, PdbRecordEntry* entry) {
    if (!pdbimpl::HandleAlive(handle) || entry == nullptr) return pdbErrIndex;
    *entry = PdbRecordEntry{};
    if (uint32_t refused = RecordRequestRefused(handle, index)) return refused;
    uint32_t offset = 0;
    uint32_t code = LocateRecord(handle, index, entry, &offset);
    return handle->pendingError = code;
}

uint32_t PdbReadRecord(PdbHandle* handle, uint32_t index, PdbRecordEntry* entry, const uint8_t** data) {
    if (data != nullptr) *data = nullptr;
    if (!pdbimpl::HandleAlive(handle) || entry == nullptr || data == nullptr) return pdbErrIndex;
    *entry = PdbRecordEntry{};
    if (uint32_t refused = RecordRequestRefused(handle, index)) return refused;
    uint32_t offset = 0;
    uint32_t code = LocateRecord(handle, index, entry, &offset);
    if (code == 0 && offset != 0) code = pdbimpl::GrowReadBuffer(handle, entry->size);
    if (code == 0 && offset != 0 &&
        !pdbimpl::ReadAt(handle->stream, offset, handle->readBuffer, entry->size)) {
        code = pdbErrIO;
    }
    if (code != 0) {
        *entry = PdbRecordEntry{};
    } else if (offset != 0) {
        *data = handle->readBuffer;
    }
    return handle->pendingError = code;
}

}  // namespace vezuved
