// The one copy of what every search record shares (the PC's wide and 8-bit
// records, the handheld's): attributes, the three times and the size. A
// leaf header of plain templates, so the emulator uses it as the library
// does.
#pragma once

namespace vezuved {

template <typename From, typename To>
void CopyFindDataFacts(const From& from, To& to) {
    to.dwFileAttributes = from.dwFileAttributes;
    to.ftCreationTime = from.ftCreationTime;
    to.ftLastAccessTime = from.ftLastAccessTime;
    to.ftLastWriteTime = from.ftLastWriteTime;
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
}

}  // namespace vezuved
