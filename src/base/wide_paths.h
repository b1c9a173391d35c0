// PC and device paths in UTF-16: joining them and taking them apart. Text
// work only, no file is touched. A PC path may use '\' or '/' on every
// platform (Windows takes '/' as well, so a host may use either there too);
// the device's separator is always '\'.
#pragma once

#include "base/wide_text.h"

namespace vezuved {

// The separator this library puts between PC path parts.
#if defined(_WIN32)
constexpr WideUnit kHostPathSeparator = L'\\';
#else
constexpr WideUnit kHostPathSeparator = u'/';
#endif

bool IsHostPathSeparator(WideUnit c);
// The last separator of a path, or null when it has none.
const WideUnit* FindLastPathSeparator(const WideUnit* path);

// a + the PC's separator + b, and a + '\' + b for device paths.
WideString JoinPcPath(const WideString& a, const WideString& b);
WideString JoinDevPath(const WideString& a, const WideString& b);

// The last component of a PC path.
WideString LastComponent(const WideString& path);
// The folder part of a PC path (before the last separator); empty when none.
WideString FolderPart(const WideString& path);
// The extension of a path's last component, with its '.', or empty.
WideString ExtensionOf(const WideString& path);
// The last component without its extension.
WideString BaseNameOf(const WideString& path);
bool EndsWithSeparator(const WideString& path);

}  // namespace vezuved
