// Owner of a C stream: closes it when it goes out of scope, so no path
// through a driver can leak an open file.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/stream_file.h"

namespace vezuved {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

inline FileHandle OpenFile(const char* path, const char* mode, PathEncoding encoding) {
    return FileHandle(PlatformOpenStream(path, mode, encoding));
}

}  // namespace vezuved
