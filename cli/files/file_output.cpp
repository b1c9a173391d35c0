#include "files/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"

namespace vezuved_cli {
void WriteFileOrFail(const std::string& path, const std::string& text) {
    WriteFileOrFail(path, [&text](FileSink& sink) { sink.Write(text); });
}

void WriteFileOrFail(const std::string& path, const std::function<void(FileSink&)>& write) {
    if (path == "-") {
        int error = 0;
        FileSink sink([&error](std::string_view bytes) {
            errno = 0;
            if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()) return true;
            error = errno;
            return false;
        });
        write(sink);
        if (!sink.failed() && std::fflush(stdout) != 0) error = errno;
        if (sink.failed() || error != 0) {
            FailConversion(std::string("cannot write to standard output: ") +
                           std::strerror(error != 0 ? error : EIO));
        }
        return;
    }
    // Written beside path and swapped in whole by the library; a Failure
    // thrown by write discards the temporary file with `file`.
    const std::unique_ptr<vezuved_output, decltype(&vezuved_output_free)> file(vezuved_output_new(),
                                                                               &vezuved_output_free);
    if (!file) FailConversion("memory ran out while writing '" + path + "'");
    if (vezuved_output_open(file.get(), path.c_str()) != VEZUVED_OK)
        FailConversion(vezuved_output_message(file.get()));
    FileSink sink([&file](std::string_view bytes) {
        return vezuved_output_write(file.get(), bytes.data(), static_cast<int64_t>(bytes.size())) ==
               VEZUVED_OK;
    });
    // A failed piece is kept by the output: its commit fails with the cause.
    write(sink);
    if (vezuved_output_commit(file.get()) != VEZUVED_OK) FailConversion(vezuved_output_message(file.get()));
}

}  // namespace vezuved_cli
