#include "text/text_file.h"

#include <cerrno>

#include "base/diag.h"
#include "platform/replacing_file.h"
#include "platform/replacing_file_names.h"

namespace vezuved {

bool ReadWholeFile(std::FILE* file, std::vector<char>& out) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    long size = std::ftell(file);
    if (size <= 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    out.reserve(static_cast<size_t>(size) + 1);
    out.resize(static_cast<size_t>(size));
    return std::fread(out.data(), 1, out.size(), file) == out.size();
}

void SayUnreadable(const char* path) noexcept {
    const int error = errno != 0 ? errno : EIO;
    try {
        DiagCause(ReplacingFailure("read", path, PlatformErrorText(error)));
    } catch (...) {
        // no memory even for the sentence: the failure value stands alone
    }
}

}  // namespace vezuved
