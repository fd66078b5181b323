/* A program whose own image holds the game's address range, as the game's
 * executable does: based at 0x00400000, with an uninitialised section
 * (gimg.S) that spans the range, so that the game's addresses exist in the
 * process before anything else takes them. The stub itself is tiny and uses
 * no C runtime; the real program is a library it loads from its own folder:
 * RANGE_HOST_LIBRARY, entered at RANGE_HOST_ENTRY, whose result is the exit
 * status. */
#include <windows.h>

typedef int (*RangeHostEntryFn)(void);

static void Say(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)lstrlenA(text), &written, NULL);
}

void StubEntry(void) {
    int rc = 90;
    HMODULE library = LoadLibraryA(RANGE_HOST_LIBRARY);
    if (library == NULL) {
        Say(RANGE_HOST_LIBRARY " is missing: it belongs in the same folder as this program\r\n");
    } else {
        RangeHostEntryFn run =
            (RangeHostEntryFn)(void*)GetProcAddress(library, RANGE_HOST_ENTRY);
        rc = run != NULL ? run() : 91;
    }
    ExitProcess((UINT)rc);
}
