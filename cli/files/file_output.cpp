#include "files/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <vezuved/vezuved_core.h>

#include "files/failure.h"

namespace vezuved_cli {
namespace {

bool PutIntoOutput(void* output, const char* bytes, size_t size) {
    return vezuved_output_write(static_cast<vezuved_output*>(output), bytes, static_cast<int64_t>(size)) ==
           VEZUVED_OK;
}

}  // namespace

void WriteFileOrFail(const std::string& path, const std::string& text) {
    WriteFileOrFail(path, [&text](DocumentSink& sink) { sink.Write(text); });
}

void WriteFileOrFail(const std::string& path, const std::function<void(DocumentSink&)>& write) {
    if (path == "-") {
        DocumentSink sink(stdout);
        write(sink);
        if (!sink.Flush()) {
            FailConversion(std::string("cannot write to standard output: ") + std::strerror(sink.error()));
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
    DocumentSink sink(PutIntoOutput, file.get());
    write(sink);
    // A failed piece is kept by the output: its commit fails with the cause.
    sink.Flush();
    if (vezuved_output_commit(file.get()) != VEZUVED_OK) FailConversion(vezuved_output_message(file.get()));
}

}  // namespace vezuved_cli
