// A database read end to end through the exports, from the bytes stored
// as a file: the classification of its header, then every record decoded.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "vezuved/vezuved.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchFile("input.pdb");
    fuzz::FreshState();
    fuzz::WriteFile(path, data, size);

    int32_t kind = -1, source = -1, version = -1, count = -1;
    (void)RLGetPDBFileInfo(path.c_str(), &kind, &source, &version, &count);

    void* records = nullptr;
    int32_t read = RLDBReadPDB(path.c_str(), &records, &kind);
    RLDBRelease(records, read > 0 ? read : 0);
    fuzz::FreshState();
    return 0;
}
