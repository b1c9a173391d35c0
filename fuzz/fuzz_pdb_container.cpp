// The Palm database container over an in-memory stream: validate, open,
// read the header, the application info block and every record.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "pdb/pdb.h"

using namespace vezuved;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PdbMemoryFile file;
    if (!file.Assign(data, size)) return 0;
    (void)PdbValidate(file.Stream());
    file.Stream()->seek(file.Stream()->context, 0);

    PdbHandle* handle = nullptr;
    if (PdbOpen(file.Stream(), &handle) != 0) return 0;
    PdbHeader info{};
    (void)PdbGetInfo(handle, &info);
    uint32_t appInfoSize = 0;
    (void)PdbAppInfoSize(handle, &appInfoSize);
    const uint8_t* block = nullptr;
    uint32_t blockSize = 0;
    PdbReadAppInfo(handle, &block, &blockSize);
    volatile uint8_t sink = 0;
    if (block != nullptr && blockSize != 0) sink = sink ^ block[0] ^ block[blockSize - 1];
    // One past the end too: the container must refuse it, not read it.
    for (uint32_t i = 0; i <= info.recordCount && i <= 70000; ++i) {
        PdbRecordEntry entry{};
        (void)PdbGetRecordEntry(handle, i, &entry);
        const uint8_t* record = nullptr;
        if (PdbReadRecord(handle, i, &entry, &record) == 0 && record != nullptr && entry.size != 0) {
            sink = sink ^ record[0] ^ record[entry.size - 1];
        }
    }
    PdbRelease(handle);
    return 0;
}
