// A format definition explained, and a definition made from a text's header
// row, through the core interface. The first byte chooses: even, the rest is
// a definition, read and explained; odd, the rest is a text whose first line
// names its columns (bit 1: its times to be read as ISO 8601). A failure
// always says why, a success never does, and every text handed out ends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "vezuved/vezuved_core.h"

namespace {

int32_t VEZUVED_CORE_CALL Keep(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

void Explain(const std::string& path) {
    vezuved_definition* definition = vezuved_definition_new();
    if (definition == nullptr) return;
    vezuved_definition_explanation explained{};
    if (vezuved_definition_read(definition, path.c_str()) == VEZUVED_OK) {
        if (vezuved_definition_explain(definition, &explained) != VEZUVED_OK) __builtin_trap();
        (void)std::strlen(explained.summary);
        (void)std::strlen(explained.warnings);
        if (explained.rows < 1 || explained.columns < 3) __builtin_trap();  // a heading row at least
        for (int32_t i = 0; i < explained.rows * explained.columns; ++i)
            (void)std::strlen(explained.cells[i]);
    }
    vezuved_definition_free(definition);
}

void Make(const std::string& path, int32_t flags) {
    vezuved_collection* collection = vezuved_collection_new();
    if (collection == nullptr) return;
    std::string text;
    const int32_t result = vezuved_make_definition(collection, path.c_str(), flags, Keep, &text);
    const char* message = vezuved_error_message(collection);
    if ((result == VEZUVED_OK) != (*message == '\0')) __builtin_trap();
    if (result == VEZUVED_OK && text.find("latitude = ") == std::string::npos) __builtin_trap();
    for (int32_t w = 0; w < vezuved_warning_count(collection); ++w) {
        vezuved_warning warning;
        if (vezuved_get_warning(collection, w, &warning) != VEZUVED_OK) __builtin_trap();
        (void)std::strlen(warning.message);
    }
    vezuved_collection_free(collection);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::QuietStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string definition = fuzz::ScratchFile("input.cal");
    static const std::string text = fuzz::ScratchFile("input.csv");
    const bool explain = (data[0] & 1) == 0;
    const std::string& path = explain ? definition : text;
    fuzz::WriteFile(path, data + 1, size - 1);
    if (explain) {
        Explain(path);
    } else {
        Make(path, (data[0] & 2) != 0 ? VEZUVED_MAKE_ISO_TIMES : 0);
    }
    return 0;
}
