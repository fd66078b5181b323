/* The host program's own image: based at 0x00400000, with an uninitialised
 * read-write-execute section (gimg.S) that spans the game's address range,
 * so that the game's addresses exist in the process before anything else
 * takes them. The stub itself is tiny and uses no C runtime; the checks live
 * in a DLL it loads. */
#include <windows.h>

typedef int (*RunHostChecksFn)(void);

void StubEntry(void) {
    int rc = 90;
    HMODULE driver = LoadLibraryA("lumenfold-wine-driver.dll");
    if (driver != NULL) {
        RunHostChecksFn run = (RunHostChecksFn)(void*)GetProcAddress(driver, "RunHostChecks");
        rc = run != NULL ? run() : 91;
    }
    ExitProcess((UINT)rc);
}
