#include "files/failure.h"

#include <filesystem>
#include <system_error>

#include <vezuved/vezuved.h>

#include "files/tool_paths.h"

namespace vezuved_cli {

void FailConversion(const std::string& message) { throw Failure(kExitFailure, message); }

void FailUsage(const std::string& message) { throw Failure(kExitUsage, message); }

void RequireInputFile(const std::string& path, const std::string& what) {
    std::error_code error;
    const auto status = std::filesystem::status(PathOf(path), error);
    if (!std::filesystem::exists(status)) {
        FailConversion("cannot read the " + what + " '" + path + "': no such file");
    }
    if (std::filesystem::is_directory(status)) {
        FailConversion("cannot read the " + what + " '" + path + "': it is a folder, not a file");
    }
}

void RequireDefinitionPath(const std::string& definition) {
    if (definition.size() >= VEZUVED_PATH_BUFFER) {
        FailConversion("cannot read the format definition '" + definition +
                       "': its path is longer than 1023 characters");
    }
}

void RequireDistinctOutput(const std::string& input, const std::string& output) {
    std::error_code error;
    if (std::filesystem::equivalent(PathOf(input), PathOf(output), error) && !error) {
        FailConversion("cannot write '" + output + "': it is the input '" + input + "' itself");
    }
}

}  // namespace vezuved_cli
