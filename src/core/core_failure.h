// How a core call fails inside: a result code of the public header and a
// sentence naming the file and the cause. Thrown deep, caught at the
// exported function, which answers the code and keeps the sentence.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "vezuved/vezuved_core.h"

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

// An exported call's answer: what work answers, or the failure's code with
// its sentence kept in error. The sentence is left out when even it finds no
// memory: the string was emptied first, and a failed assignment leaves it so.
template <typename Work>
int32_t AnswerKeepingSentence(std::string& error, Work work) noexcept {
    error.clear();
    try {
        return work();
    } catch (const CoreFailure& failure) {
        try {
            error = failure.what();
        } catch (...) {
        }
        return failure.code();
    } catch (const std::bad_alloc&) {
        error = "memory ran out";  // small enough for the string's own buffer
        return VEZUVED_ERROR_MEMORY;
    } catch (const std::exception& failure) {
        try {
            error = failure.what();
        } catch (...) {
        }
        return VEZUVED_ERROR_INTERNAL;
    } catch (...) {
        return VEZUVED_ERROR_INTERNAL;
    }
}

}  // namespace vezuved::core
