// Small text helpers of the device operations: UTF-16 paths in owned
// strings, the two path joins, and printing with UTF-16 arguments narrowed
// to the bytes they came from.
#pragma once

#include <cstdint>

#include "device/host_files.h"

// The device folder used when the caller names none.
extern const WCHAR kDefaultDeviceFolder[];

// A path or name handed in as 8-bit text, widened byte by byte; empty for null.
WideString WideFrom(const char* text);

// a + the PC's separator + b, and a + '\' + b for device paths.
WideString JoinPcPath(const WideString& a, const WideString& b);
WideString JoinDevPath(const WideString& a, const WideString& b);

// The last component of a PC path ('\' and, on POSIX, '/' separate).
WideString LastComponent(const WideString& path);
// The folder part of a PC path (before the last separator); empty when none.
WideString FolderPart(const WideString& path);
// The extension of a path's last component, with its '.', or empty.
WideString ExtensionOf(const WideString& path);
// The last component without its extension.
WideString BaseNameOf(const WideString& path);

bool EqualsNoCase(const WideString& a, const char* ascii);
bool EndsWithSeparator(const WideString& path);

// The narrowed bytes, for printf's "%s".
std::string Narrow(const WideString& text);
std::string Narrow(const WCHAR* text);

// The current directory, or empty when it cannot be found.
WideString CurrentDirectory();

// The host's last error after a failed remote call. On Windows that is the
// thread's last-error value; the emulator that stands in for the remote API
// elsewhere keeps its errors on the device side only.
DWORD RemoteFailureError();
