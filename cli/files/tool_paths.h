// The tool's paths are UTF-8 on every platform (on Windows its command line
// is taken from the wide one, files/tool_platform.h). The standard file
// system library reads a plain string in the ANSI code page there, so every
// path goes to it, and comes back from it, through these two.
#pragma once

#include <filesystem>
#include <string>

namespace vezuved_cli {

inline std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::u8path(utf8); }

inline std::string TextOf(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace vezuved_cli
