// A readable listing of an emulated handheld: every file under its root
// folder as a device path with size and last-write time, and for every
// database volume among them its databases and their records, property by
// property. The command line's "device inspect" prints this.
#pragma once

#include <cstdio>
#include <string>

namespace emu {

// Lists the device rooted at root (a PC folder) to out. Returns 0, or 1 when
// the root is not a readable folder. Damaged volume files are reported as
// such, never read further.
int InspectDevice(const std::string& root, std::FILE* out);

}  // namespace emu
