// Load-time entry point of the Windows library: the filter keeps no
// per-thread state, so thread notifications are turned off and nothing
// else is done.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
