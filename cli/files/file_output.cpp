#include "files/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files/failure.h"
#include "platform/replacing_file.h"

using namespace vezuved;

namespace vezuved_cli {

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
    ReplacingFile file;
    if (!OpenReplacingFile(file, path.c_str(), PathEncoding::Utf8)) FailConversion(file.failure);
    DocumentSink sink(file.file);
    write(sink);  // a Failure thrown here discards the temporary file with `file`
    if (!sink.Flush()) {
        DiscardReplacingFile(file, sink.error());
        FailConversion(file.failure);
    }
    if (!CommitReplacingFile(file)) FailConversion(file.failure);
}

}  // namespace vezuved_cli
