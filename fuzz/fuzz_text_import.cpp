// A text file imported end to end with fixed format definitions: into a
// point database (RLDBImport) and into memory (RLDBReadCSV). The first byte
// picks the definition, the rest is the file.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "vezuved/vezuved.h"

namespace {
const char* const kDefinitions[] = {
    ("FormatTitle=Comma\nSource=Comma\nFieldCount=7\nLatitude=1\nLongitude=2\nElevation=3\n"
     "Time=4\nName=5\nIcon=6\nDesc=7\n"),
    "Source=Garmin\n",
    "Source=Tab\nDelimited=\\t\nHeaderLines=1\nLocFormat=1\nEleFormat=1\n",
    "Source=Fixed\nFieldLen=10,12,12,6,16,8,20\n",
    "Source=PCX5\n",
    "Delimited=;\nFieldCount=4\nName=1\nLatitude=2\nLongitude=3\nDate=4\nLocFormat=2\n",
};
constexpr int kDefinitionCount = sizeof kDefinitions / sizeof kDefinitions[0];
const int16_t kKinds[] = {0, 1, 2, 65, 66, 6};
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    for (int i = 0; i < kDefinitionCount; ++i) {
        std::string name = "def" + std::to_string(i) + ".cal";
        std::string text = kDefinitions[i];
        fuzz::WriteFile(fuzz::ScratchFile(name.c_str()), text.data(), text.size());
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string source = fuzz::ScratchFile("input.txt");
    static const std::string output = fuzz::ScratchFile("output.pdb");
    const int definition = (data[0] & 7) % kDefinitionCount;
    const int16_t kind = kKinds[(data[0] >> 3) % 6];
    const std::string format = fuzz::ScratchFile(("def" + std::to_string(definition) + ".cal").c_str());
    fuzz::WriteFile(source, data + 1, size - 1);

    fuzz::FreshState();
    std::string outputPath = output;
    (void)RLDBImport(source.c_str(), outputPath.data(), format.c_str(), kind, -1, -1, nullptr);

    fuzz::FreshState();
    void* records = nullptr;
    int32_t count =
        RLDBReadCSV(source.c_str(), format.c_str(), kind == 6 ? 0 : kind, -1, -1, nullptr, &records);
    RLDBRelease(records, count > 0 ? count : 0);
    fuzz::FreshState();
    return 0;
}
