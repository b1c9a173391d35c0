#include "support/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/replacing_file.h"
#include "support/failure.h"

namespace vezuved_cli {

void WriteFileOrFail(const std::string& path, const std::string& text) {
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            FailConversion(std::string("cannot write to standard output: ") + std::strerror(errno));
        }
        return;
    }
    ReplacingFile file;
    if (!OpenReplacingFile(file, path.c_str())) FailConversion(file.failure);
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file.file) != text.size()) {
        DiscardReplacingFile(file, errno != 0 ? errno : EIO);
        FailConversion(file.failure);
    }
    if (!CommitReplacingFile(file)) FailConversion(file.failure);
}

}  // namespace vezuved_cli
