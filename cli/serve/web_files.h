// The page's files, built into the tool from the web folder.
#pragma once

#include <cstddef>

namespace vezuved_cli {

struct WebFile {
    const char* path;  // "/index.html"
    const unsigned char* bytes;
    size_t size;
};

extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;

}  // namespace vezuved_cli
