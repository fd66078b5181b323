#include "sim/game_range.h"

#include <stdio.h>
#include <stdlib.h>

#include "game/addresses.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>

#include "platform/linux_host.h"
#endif

namespace sim {

namespace {

bool g_mapped = false;
uint32_t g_start = LF_GAME_RANGE_BEGIN;

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "simulated game: %s\n", what);
    fflush(stderr);
    abort();
}

#if defined(_WIN32)
// The executable's section named ".gimg" (tools/wine-host/gimg.S), which
// reserves the game's range as part of the image.
uint32_t RangeSectionStart() {
    const uint8_t* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (unsigned i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (memcmp(section->Name, ".gimg", 6) == 0) {
            const uint32_t start = reinterpret_cast<uint32_t>(base) + section->VirtualAddress;
            const uint32_t end = start + section->Misc.VirtualSize;
            if (end >= kOtherCodeEnd) {
                return start;
            }
        }
    }
    return 0;
}
#endif

} // namespace

void MapGameRange() {
    if (g_mapped) {
        return;
    }
#if defined(_WIN32)
    g_start = RangeSectionStart();
    if (g_start == 0) {
        Fail("the game's address range is not part of this executable: start the simulator "
             "through lumenfold-sim.exe");
    }
#else
    void* want = reinterpret_cast<void*>(LF_GAME_RANGE_BEGIN);
    const size_t size = kOtherCodeEnd - LF_GAME_RANGE_BEGIN;
    void* got = mmap(want, size, PROT_READ | PROT_WRITE | PROT_EXEC,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got != want) {
        char msg[200];
        snprintf(msg, sizeof msg,
                 "the game's address range 0x%08X-0x%08X is not free in this process "
                 "(mmap gave %p); build the simulation as a 32-bit non-PIE program",
                 LF_GAME_RANGE_BEGIN, kOtherCodeEnd, got);
        if (got != MAP_FAILED) {
            munmap(got, size);
        }
        Fail(msg);
    }
#endif
    g_mapped = true;
}

uint32_t GameRangeStart() {
    return g_start;
}

void UnprotectGameRange() {
#if defined(_WIN32)
    uint32_t old = 0;
    PlatformProtect(g_start, LF_GAME_RANGE_END - g_start, kPageExecuteReadWrite, &old);
#else
    mprotect(reinterpret_cast<void*>(LF_GAME_RANGE_BEGIN), LF_GAME_RANGE_END - LF_GAME_RANGE_BEGIN,
             PROT_READ | PROT_WRITE | PROT_EXEC);
    PlatformMarkGameRange(kPageExecuteReadWrite);
#endif
}

} // namespace sim
