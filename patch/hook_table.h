// The hook table: every site the plug-in patches with a jump into its glue,
// in the order of installation. One definition, used by the load sequence,
// the host-message handler and the tests.
#pragma once

#include <stdint.h>

struct HookSite {
    const char* name;
    uint32_t site;            // where the 5-byte jump is written
    uint32_t covers;          // bytes of game code the glue takes over
    const int32_t* condition; // a Settings field that must be nonzero, or null
    void (*glue)();           // the piece the jump enters
    uint32_t resume;          // where the glue's normal path goes back
    uint32_t resumeAlternate; // the other branch's resume address, or 0
};

constexpr int kLoadHookCount = 22;
extern const HookSite kLoadHooks[kLoadHookCount];
// Patched only when the host's first message arrives.
extern const HookSite kLateHook;
// The first row of the group gated by bEnableFirstPersonBody: the blanking
// writes come right before it.
constexpr int kFirstBodyGatedRow = 7;

// Whether a row is installed under the current settings.
bool HookEnabled(const HookSite& row);
void InstallHook(const HookSite& row);
