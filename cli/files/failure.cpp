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

void RequireDistinctOutput(const std::string& input, const std::string& output) {
    std::error_code error;
    if (std::filesystem::equivalent(PathOf(input), PathOf(output), error) && !error) {
        FailConversion("cannot write '" + output + "': it is the input '" + input + "' itself");
    }
}

std::string DatabaseErrorCause(int32_t code) {
    switch (code) {
        case -1:
            return "the file cannot be opened";
        case VEZUVED_PDB_ERR_FORMAT:
            return "it is no valid Palm database (error 1032)";
        case VEZUVED_PDB_ERR_IO:
            return "it cannot be read to its end (error 1035)";
        case VEZUVED_PDB_ERR_MEMORY:
            return "memory ran out (error 1029)";
        case VEZUVED_PDB_ERR_INDEX:
        case VEZUVED_PDB_ERR_NO_RECORD:
        case VEZUVED_PDB_ERR_COUNT:
            return "its record list is damaged (error " + std::to_string(code) + ")";
        case VEZUVED_KIND_UNKNOWN:
            return "it holds no points, route or track (unknown database type)";
        default:
            return "the library reported error " + std::to_string(code);
    }
}

}  // namespace vezuved_cli
