// The library's load-time work runs in its DLL entry. A program that links
// the library's objects into itself, so no loader calls that entry: it is
// called here once, as the loader does when the process attaches.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID);

namespace {
const BOOL g_attached = DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
}  // namespace
