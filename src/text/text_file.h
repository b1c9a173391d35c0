// Whole text files read into memory.
#pragma once

#include <cstdio>
#include <vector>

namespace vezuved {

// Reads the whole of an open file from its start. False when the file is
// empty or cannot be read in one piece. The vector has room for one byte
// more, so a terminator can follow the text without moving it.
bool ReadWholeFile(std::FILE* file, std::vector<char>& out);

// States, as the cause of a failure, that path could not be opened or read,
// with the system's reason (errno): "cannot read '<path>': <reason>".
void SayUnreadable(const char* path) noexcept;

}  // namespace vezuved
