// The temporary files being written right now, so that a signal which ends
// the process can remove them: a Ctrl-C during a long write must not leave
// a hidden copy of the file beside its target. The library only keeps the
// list; the program that hosts it decides whether to install a handler
// (a library must not take over its host's signals).
#pragma once

#include <string>

#include "platform/path_encoding.h"
#include "platform/win_types.h"

namespace vezuved {

// Notes a temporary file by its 8-bit path, in the given code. The slot to forget it by, or -1 when every
// slot is taken (the file is then only removed by the next write into its folder, once stale).
int RegisterTemporary(const std::string& path, PathEncoding encoding) noexcept;
// The same for a UTF-16 path of the host file layer.
int RegisterTemporaryWide(LPCWSTR path) noexcept;
// The file is renamed or removed: nothing to do for it any more.
void ForgetTemporary(int slot) noexcept;

// Removes every file still registered. Async-signal-safe: it only reads
// paths written before the slot was marked used and calls unlink (or
// DeleteFileW), so a signal handler may call it.
void RemoveRegisteredTemporaries() noexcept;

}  // namespace vezuved
