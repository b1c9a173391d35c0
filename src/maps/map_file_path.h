// The path of a map file as the standard streams open it. Map files are
// named by the core and the tool, whose paths are UTF-8 on every platform:
// on Windows the stream then opens the UTF-16 name, not the ANSI code
// page's reading of the bytes.
#pragma once

#include <filesystem>
#include <string>

namespace vezuved::maps {

inline std::filesystem::path MapFilePath(const std::string& path) { return std::filesystem::u8path(path); }

}  // namespace vezuved::maps
