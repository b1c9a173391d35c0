// The path of a map file as the standard streams open it. Map files are
// named by the core and the tool, whose paths are UTF-8 on every platform:
// on Windows the stream then opens the UTF-16 name, not the ANSI code
// page's reading of the bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "maps/map_failure.h"

namespace vezuved::maps {

inline std::filesystem::path MapFilePath(const std::string& path) { return std::filesystem::u8path(path); }

// The map file open for reading its bytes; fails naming it (what) when it cannot be opened.
inline std::ifstream OpenMapFile(const std::string& path, const std::string& what) {
    std::ifstream file(MapFilePath(path), std::ios::binary);
    if (!file) FailMap("cannot read '" + what + "': the file cannot be opened");
    return file;
}

}  // namespace vezuved::maps
