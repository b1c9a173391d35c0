#include "definitions/whole_file.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "support/failure.h"

namespace vezuved_cli {

std::string ReadWholeFileOrFail(const std::string& path, const std::string& what) {
    RequireInputFile(path, what);
    std::ifstream in(path, std::ios::binary);
    if (!in) FailConversion("cannot read the " + what + " '" + path + "': it cannot be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) FailConversion("cannot read the " + what + " '" + path + "': reading it failed");
    return bytes.str();
}

}  // namespace vezuved_cli
