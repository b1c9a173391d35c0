#include "files/whole_file.h"

#include <cstring>

#include "files/failure.h"
#include "files/tool_platform.h"

namespace vezuved_cli {

std::string ReadWholeFileOrFail(const std::string& path, const std::string& what) {
    RequireInputFile(path, what);
    const std::string cannot = "cannot read the " + what + " '" + path + "': ";
    std::string bytes;
    const int32_t error = vezuved_system_read_file(path.c_str(), AppendToString, &bytes);
    if (error != 0) FailConversion(cannot + (error < 0 ? "memory ran out" : std::strerror(error)));
    return bytes;
}

}  // namespace vezuved_cli
