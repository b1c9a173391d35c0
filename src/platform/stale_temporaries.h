// Temporary files the library left in a folder when its process ended in
// the middle of a write (killed, power lost). Only names that are
// unmistakably the library's own, and only ones no write can still be busy
// with, are removed:
//   ".vezuved-<process>-<attempt>.tmp"  a file written whole or not at all
//   "<name>.~vz<n>"                     a PC copy of a device database or file
//   folder "~vezuved-convert-<n>"       a file converted for the handheld
#pragma once

#include <string>

#include "platform/path_encoding.h"
#include "platform/win_types.h"

namespace vezuved {

// Whether a file name is one of the library's temporary names above.
bool IsLibraryTemporaryName(const std::basic_string<WCHAR>& name);

// Whether a folder name is the library's work folder above.
bool IsLibraryWorkFolderName(const std::basic_string<WCHAR>& name);

// Removes the library's temporary files and work folders (with the files
// in them) in folder (empty: the current one) last written more than a
// day ago, and at once a ".vezuved-<process>-..." file whose process has
// ended (killed by a signal no handler caught, say). Never fails: what
// cannot be removed stays for the next time.
void RemoveStaleTemporaries(LPCWSTR folder) noexcept;
// The same for the folder of an 8-bit path in the given code.
void RemoveStaleTemporariesBeside(const std::string& path, PathEncoding encoding) noexcept;

}  // namespace vezuved
