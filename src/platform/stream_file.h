// C streams on files, opened in one place so the test seam of
// platform/io_faults.h sees their reads, writes and closes. In a build
// without the seam these are fopen and fdopen themselves.
#pragma once

#include <cstdio>

#include "platform/path_encoding.h"

namespace vezuved {

// As fopen, with the path in the given code (on Windows _wfopen of it; a
// path that does not convert fails with EINVAL).
std::FILE* PlatformOpenStream(const char* path, const char* mode, PathEncoding encoding);
// As fdopen (POSIX): on failure the descriptor stays open, the caller's.
std::FILE* PlatformStreamOfDescriptor(int descriptor, const char* mode);
// The descriptor under a stream made here (fileno cannot see through the
// seam's streams); -1 when there is none.
int PlatformStreamDescriptor(std::FILE* file);

}  // namespace vezuved
