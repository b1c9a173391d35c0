// How a command fails: a sentence for standard error and the exit status
// (1 a conversion failure, 2 a usage error).
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vezuved_cli {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

class Failure : public std::runtime_error {
public:
    Failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

[[noreturn]] void FailConversion(const std::string& message);
[[noreturn]] void FailUsage(const std::string& message);

// Fails unless path names an existing regular file; what says what the file
// was meant to be ("text file", "database", "format definition").
void RequireInputFile(const std::string& path, const std::string& what);

// Fails unless the library can read a definition at path: its paths hold
// at most 1023 characters.
void RequireDefinitionPath(const std::string& definition);

// Fails when output names the very file input names, however spelt: a
// conversion never writes over what it reads.
void RequireDistinctOutput(const std::string& input, const std::string& output);

}  // namespace vezuved_cli
