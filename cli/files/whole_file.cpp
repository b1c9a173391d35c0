#include "files/whole_file.h"

#include <fstream>
#include <sstream>

#include "files/failure.h"

namespace vezuved_cli {

std::string ReadWholeFileOrFail(const std::string& path, const std::string& what) {
    RequireInputFile(path, what);
    const std::string cannot = "cannot read the " + what + " '" + path + "': it cannot be opened or read";
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) FailConversion(cannot);
    // Read into one string of the file's size: a large file is held once.
    const std::streamoff size = in.tellg();
    if (size >= 0 && in.seekg(0)) {
        std::string bytes(static_cast<size_t>(size), '\0');
        if (!in.read(bytes.data(), size)) FailConversion(cannot);
        return bytes;
    }
    // A file whose size cannot be told (a pipe) is read as it comes.
    in.clear();
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) FailConversion(cannot);
    return bytes.str();
}

}  // namespace vezuved_cli
