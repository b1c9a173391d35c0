// Load-time work: fill the string table of the coordinate parser. Windows
// calls the entry on process and thread attach; elsewhere a load-time
// initialiser stands in for it.
#include "convert/coordinates.h"
using namespace vezuved;

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_THREAD_ATTACH) InitStringTable();
    return TRUE;
}
#else
namespace {
struct LibraryEntry {
    LibraryEntry() { InitStringTable(); }
};
const LibraryEntry g_entry;
}  // namespace
#endif
