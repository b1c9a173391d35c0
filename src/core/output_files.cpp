// Files a caller writes itself, through the same whole-or-nothing file the
// library's own writers use, so the tool's tables and figures and any
// host's documents get the same guarantee and the same healing of
// temporaries a killed process left.
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>

#include "platform/replacing_file.h"
#include "platform/temporary_registry.h"
#include "vezuved/vezuved_core.h"

using namespace vezuved;

struct vezuved_output {
    ReplacingFile file;
    std::string failure;
    bool committed = false;
};

namespace {

int32_t Failed(vezuved_output* output, int32_t code, std::string sentence) noexcept {
    try {
        output->failure = std::move(sentence);
    } catch (...) {
        output->failure.clear();
    }
    return code;
}

}  // namespace

extern "C" {

VEZUVED_CORE_API vezuved_output* VEZUVED_CORE_CALL vezuved_output_new(void) {
    return new (std::nothrow) vezuved_output();
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_output_free(vezuved_output* output) {
    delete output;  // an uncommitted temporary file is removed by its owner
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_open(vezuved_output* output, const char* path) {
    if (output == nullptr) return VEZUVED_ERROR_ARGUMENT;
    if (path == nullptr || *path == '\0') return Failed(output, VEZUVED_ERROR_ARGUMENT, "no path to write");
    if (output->file || output->committed) {
        return Failed(
            output, VEZUVED_ERROR_ARGUMENT, std::string("'") + path + "': the output is open already");
    }
    try {
        output->failure.clear();
        if (!OpenReplacingFile(output->file, path, PathEncoding::Utf8))
            return Failed(output, VEZUVED_ERROR_WRITE, output->file.failure);
        return VEZUVED_OK;
    } catch (const std::bad_alloc&) {
        return Failed(output, VEZUVED_ERROR_MEMORY, "memory ran out");
    }
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_write(vezuved_output* output,
                                                                const void* bytes,
                                                                int64_t size) {
    if (output == nullptr || size < 0 || (bytes == nullptr && size > 0)) return VEZUVED_ERROR_ARGUMENT;
    if (!output->file) return Failed(output, VEZUVED_ERROR_ARGUMENT, "the output is not open");
    // A stream may take every byte yet have met an error on the way; its
    // cause is in errno now and may not be by the commit.
    if (size > 0 &&
        (std::fwrite(bytes, 1, static_cast<size_t>(size), output->file.file) != static_cast<size_t>(size) ||
         std::ferror(output->file.file))) {
        const int error = errno;
        DiscardReplacingFile(output->file, error != 0 ? error : EIO);
        return Failed(output, VEZUVED_ERROR_WRITE, output->file.failure);
    }
    return VEZUVED_OK;
}

VEZUVED_CORE_API int32_t VEZUVED_CORE_CALL vezuved_output_commit(vezuved_output* output) {
    if (output == nullptr) return VEZUVED_ERROR_ARGUMENT;
    if (!output->file) {
        return output->failure.empty() ? Failed(output, VEZUVED_ERROR_ARGUMENT, "the output is not open")
                                       : VEZUVED_ERROR_WRITE;
    }
    try {
        if (!CommitReplacingFile(output->file))
            return Failed(output, VEZUVED_ERROR_WRITE, output->file.failure);
        output->committed = true;
        return VEZUVED_OK;
    } catch (const std::bad_alloc&) {
        return Failed(output, VEZUVED_ERROR_MEMORY, "memory ran out");
    }
}

VEZUVED_CORE_API const char* VEZUVED_CORE_CALL vezuved_output_message(const vezuved_output* output) {
    return output == nullptr ? "" : output->failure.c_str();
}

VEZUVED_CORE_API void VEZUVED_CORE_CALL vezuved_remove_partial_files(void) { RemoveRegisteredTemporaries(); }

}  // extern "C"
