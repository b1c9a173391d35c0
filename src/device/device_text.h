// Small text helpers of the device operations: UTF-16 names made from
// 8-bit text, printing with UTF-16 arguments narrowed to the bytes they
// came from, the default device folder, and the two places a failure's
// error is read from.
#pragma once

#include <cstdint>
#include <string>

#include "base/wide_text.h"
#include "device/ce_types.h"
#include "platform/path_encoding.h"

namespace vezuved {

// The device folder used when the caller names none.
extern const WCHAR kDefaultDeviceFolder[];

// A path or name handed in as 8-bit text, widened byte by byte; empty for null.
WideString WideFrom(const char* text);

bool EqualsNoCase(const WideString& a, const char* ascii);

// The narrowed bytes, for printf's "%s".
std::string Narrow(const WideString& text);
std::string Narrow(const WCHAR* text);

// A PC path as 8-bit text in the given code, for the file layers below
// and the caller: on Windows a UTF-8 caller's path (the core's) comes from
// its UTF-16 units; the host's paths, widened byte by byte, give their
// bytes back (as on POSIX, whatever the code).
std::string PcPathText(const WideString& path, PathEncoding encoding);

// An error value as the 32-bit word it is on the device's platform, for
// printf's "%lx".
inline unsigned long Hex32(int64_t value) { return static_cast<unsigned long>(static_cast<uint32_t>(value)); }

// The current directory, or empty when it cannot be found.
WideString CurrentDirectory();

// The host's last error after a failed remote call. On Windows that is the
// thread's last-error value; the emulator that stands in for the remote API
// elsewhere keeps its errors on the device side only.
DWORD RemoteFailureError();

}  // namespace vezuved
