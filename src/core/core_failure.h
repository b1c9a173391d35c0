// How a core call fails inside: a result code of the public header and a
// sentence naming the file and the cause. Thrown deep, caught at the
// exported function, which answers the code and keeps the sentence.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vezuved::core {

class CoreFailure : public std::runtime_error {
public:
    CoreFailure(int32_t code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

[[noreturn]] inline void FailCore(int32_t code, const std::string& message) {
    throw CoreFailure(code, message);
}

}  // namespace vezuved::core
