// Writing a new database in its one order: header and reserved list,
// application info block, records, finish. Every data offset must fit the
// file's 32-bit fields; one that would not is a write the file cannot hold.
#include <cstring>

#include "pdb/pdb_format.h"
#include "pdb/pdb_internal.h"

namespace vezuved {

using namespace pdbfmt;

namespace {

// What the caller gave, with the container's own fields cleared: the
// blocks are placed later, and no second list is written.
PdbHeader NewHeader(const PdbHeader& given) {
    PdbHeader header = given;
    header.name[kNameSize - 1] = '\0';
    header.appInfoOffset = 0;
    header.sortInfoOffset = 0;
    header.nextList = 0;
    return header;
}

uint32_t WriteAppInfoBlock(PdbHandle* handle, const void* data, uint32_t size) {
    if (data == nullptr || size == 0) return pdbErrIndex;
    if (handle->mode != pdbModeWrite) return pdbErrIO;
    // A reader requires the block to start right after the list.
    if (handle->recordCount != 0 || handle->dataEnd != handle->dataStart) return pdbErrFormat;
    uint64_t end = static_cast<uint64_t>(handle->dataEnd) + size;
    if (end > UINT32_MAX) return pdbErrIO;
    uint8_t offset[4];
    PutU32(offset, handle->dataEnd);
    if (!pdbimpl::WriteAt(handle->stream, handle->dataEnd, data, size) ||
        !pdbimpl::WriteAt(handle->stream, kAppInfoAt, offset, sizeof offset)) {
        return pdbErrIO;
    }
    handle->appInfoOffset = handle->dataEnd;
    handle->dataEnd = static_cast<uint32_t>(end);
    return 0;
}

uint32_t AppendRecord(PdbHandle* handle, const PdbRecordEntry& entry, const void* data) {
    if (handle->mode != pdbModeWrite) return pdbErrIO;
    if (handle->listKind != pdbListRecord) return pdbErrFormat;
    if (handle->recordCount >= handle->capacity) return pdbErrNoRecord;
    if (entry.size != 0 && data == nullptr) return pdbErrIndex;
    uint64_t end = static_cast<uint64_t>(handle->dataEnd) + entry.size;
    if (end > UINT32_MAX) return pdbErrIO;

    uint8_t raw[kRecordEntrySize];
    PutU32(raw, entry.size != 0 ? handle->dataEnd : 0);
    raw[4] = static_cast<uint8_t>(entry.attributes);
    PutU24(raw + 5, entry.uniqueId);
    uint64_t at = kListStart + static_cast<uint64_t>(handle->recordCount) * kRecordEntrySize;
    if (!pdbimpl::WriteAt(handle->stream, at, raw, sizeof raw)) return pdbErrIO;
    if (entry.size != 0 && !pdbimpl::WriteAt(handle->stream, handle->dataEnd, data, entry.size)) {
        return pdbErrIO;
    }
    handle->recordCount += 1;
    handle->dataEnd = static_cast<uint32_t>(end);
    handle->modified = 1;
    return 0;
}

}  // namespace

void PdbSetName(PdbHeader& header, const char* name) {
    std::memset(header.name, 0, sizeof header.name);
    if (name == nullptr) return;
    // Longer names are cut: the field keeps 31 characters and its NUL.
    size_t length = std::strlen(name);
    if (length > kNameSize - 1) length = kNameSize - 1;
    std::memcpy(header.name, name, length);
}

uint32_t PdbCreate(PdbStream* stream, const PdbHeader& info, PdbHandle** out) {
    if (out == nullptr) return pdbErrIndex;
    *out = nullptr;
    if (!pdbimpl::StreamUsable(stream)) return pdbErrIO;
    PdbHandle* handle = pdbimpl::NewHandle(*stream, pdbModeWrite);
    if (handle == nullptr) return pdbErrMemory;
    handle->listKind = ListKindOf(info.attributes);
    handle->capacity = info.recordCount;

    uint8_t raw[kHeaderSize];
    EncodeHeader(NewHeader(info), raw);
    static const uint8_t kGap[kGapSize] = {0, 0};
    uint64_t listEnd = ListEnd(EntrySizeOf(handle->listKind), info.recordCount);
    // Writing the gap reserves the list: the bytes before it read as zeros.
    if (listEnd > UINT32_MAX || !pdbimpl::WriteAt(*stream, 0, raw, sizeof raw) ||
        !pdbimpl::WriteAt(*stream, listEnd - kGapSize, kGap, kGapSize)) {
        pdbimpl::FreeHandle(handle);
        return pdbErrIO;
    }
    handle->dataStart = static_cast<uint32_t>(listEnd);
    handle->dataEnd = static_cast<uint32_t>(listEnd);
    *out = handle;
    return 0;
}

void PdbWriteAppInfo(PdbHandle* handle, const void* data, uint32_t size) {
    if (!pdbimpl::HandleAlive(handle) || handle->pendingError != 0) return;
    handle->pendingError = WriteAppInfoBlock(handle, data, size);
}

uint32_t PdbAddRecord(PdbHandle* handle, const PdbRecordEntry& entry, const void* data) {
    if (!pdbimpl::HandleAlive(handle)) return pdbErrIndex;
    if (handle->pendingError != 0) return handle->pendingError;
    return handle->pendingError = AppendRecord(handle, entry, data);
}

uint32_t PdbFinish(PdbHandle* handle) {
    if (!pdbimpl::HandleAlive(handle)) return pdbErrIndex;
    if (handle->recordCount != handle->capacity) return pdbErrCount;
    pdbimpl::FreeHandle(handle);
    return 0;
}

}  // namespace vezuved
