#include "files/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "files/failure.h"
#include "files/tool_platform.h"

namespace vezuved_cli {

std::string ReadWholeFileOrFail(const std::string& path, const std::string& what) {
    RequireInputFile(path, what);
    const std::string cannot = "cannot read the " + what + " '" + path + "': ";
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(OpenToolFile(path, "rb"), std::fclose);
    if (!in) FailConversion(cannot + std::strerror(errno));
    // Read in large steps to the end, which also serves a file whose size
    // cannot be told (a pipe); a failed read is a failure, never a short text.
    std::string bytes;
    char buffer[64 * 1024];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.append(buffer, got);
    if (std::ferror(in.get())) FailConversion(cannot + std::strerror(errno));
    return bytes;
}

}  // namespace vezuved_cli
