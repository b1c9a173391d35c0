// Several taken files in one zip, for the page's "several at once".
#pragma once

#include <string>
#include <vector>

namespace vezuved_cli {

struct BundledFile {
    std::string name;
    std::string bytes;
};

// The zip of the files, each under its name; a name met again gets -2,
// -3, ... before its extension. Fails when the build has no libzip.
std::string ZipBundle(const std::vector<BundledFile>& files);

}  // namespace vezuved_cli
