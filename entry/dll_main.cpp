// The library's own entry point: nothing to do at process or thread attach
// or detach; success for every notification.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
