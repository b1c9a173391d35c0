#include "pdb/pdb_format.h"
#include "pdb/pdb_internal.h"

namespace vezuved {

using namespace pdbfmt;

uint32_t PdbOpen(PdbStream* stream, PdbHandle** out) {
    if (out == nullptr) return pdbErrIndex;
    *out = nullptr;
    if (!pdbimpl::StreamUsable(stream)) return pdbErrFormat;
    PdbHandle* handle = pdbimpl::NewHandle(*stream, pdbModeRead);
    if (handle == nullptr) return pdbErrMemory;

    uint32_t code = PdbValidate(stream);
    uint8_t raw[kHeaderSize];
    if (code == 0 && !pdbimpl::ReadAt(*stream, 0, raw, sizeof raw)) code = pdbErrIO;
    if (code != 0) {
        pdbimpl::FreeHandle(handle);
        return code;
    }
    PdbHeader header;
    DecodeHeader(raw, &header);
    handle->listKind = ListKindOf(header.attributes);
    handle->recordCount = header.recordCount;
    handle->capacity = header.recordCount;
    handle->appInfoOffset = header.appInfoOffset;
    handle->sortInfoOffset = header.sortInfoOffset;
    *out = handle;
    return 0;
}

}  // namespace vezuved
