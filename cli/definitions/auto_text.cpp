#include "definitions/auto_text.h"

#include <vezuved/vezuved_core.h>

#include "conversion/records.h"
#include "files/failure.h"
#include "files/file_output.h"
#include "files/tool_paths.h"

namespace vezuved_cli {
namespace {

int32_t VEZUVED_CORE_CALL Append(void* context, const char* bytes, int64_t size) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(size));
    return 0;
}

}  // namespace

std::string MakeDefinitionText(std::ostream& err, const std::string& dataPath, int32_t flags) {
    RequireInputFile(dataPath, "text file");
    CoreCollection collection;
    std::string text;
    const int32_t made = vezuved_make_definition(collection.get(), dataPath.c_str(), flags, Append, &text);
    for (int32_t i = 0; i < vezuved_warning_count(collection.get()); ++i) {
        vezuved_warning warning{};
        if (vezuved_get_warning(collection.get(), i, &warning) == VEZUVED_OK)
            err << "vezuved: " << warning.message << "\n";
    }
    if (made != VEZUVED_OK) FailConversion(vezuved_error_message(collection.get()));
    return text;
}

AutoText PrepareAutoText(std::ostream& err, const std::string& dataPath) {
    const std::string text = MakeDefinitionText(err, dataPath, VEZUVED_MAKE_ISO_TIMES);
    AutoText prepared;
    prepared.folder = TemporaryFolder::Create();
    prepared.definition = TextOf(PathOf(prepared.folder.path()) / "made.cal");
    WriteFileOrFail(prepared.definition, text);
    return prepared;
}

}  // namespace vezuved_cli
