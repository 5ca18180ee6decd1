#include <windows.h>

// Every library DLL links the platform layer and so gets this entry point. No library needs to
// hear of threads starting and ending. At detach the runtime then runs the libraries' static
// destructors, among them the one of dsp's FastHeap, which frees every block still held.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}
