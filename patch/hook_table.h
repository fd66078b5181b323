// The hook table: every site the plug-in patches with a jump into its glue,
// in the order of installation. One definition, used by the load sequence,
// the host-message handler, the simulated game and the tests.
#pragma once

#include <stdint.h>

#include "game/addresses.h"
#include "patch/patch_place.h"
#include "record/frame_recorder.h"

struct HookSite {
    PatchPlace place;         // where the 5-byte jump is written, and its group
    uint32_t covers;          // bytes of game code the glue takes over
    void (*glue)();           // the piece the jump enters
    uint32_t resume;          // where the glue's normal path goes back
    uint32_t resumeAlternate; // the other branch's resume address, or 0
    void (*recordingGlue)();  // the piece of the set that records frames
};

// The game's instructions that two glue kinds replay byte for byte: row 5
// loads the float at 0xB14E50 (fld dword ptr [address]), row 6 begins with
// three pops (edi, esi, ebx).
inline constexpr uint8_t kForcedSkipGameBytes[] = {
    0xD9,
    0x05,
    LF_ADDR_SKIPPED_LOAD_FLOAT & 0xFF,
    (LF_ADDR_SKIPPED_LOAD_FLOAT >> 8) & 0xFF,
    (LF_ADDR_SKIPPED_LOAD_FLOAT >> 16) & 0xFF,
    (LF_ADDR_SKIPPED_LOAD_FLOAT >> 24) & 0xFF,
};
inline constexpr uint8_t kExtraUpdateGameBytes[] = {0x5F, 0x5E, 0x5B};

constexpr int kLoadHookCount = 22;
extern const HookSite kLoadHooks[kLoadHookCount];
// Patched only when the host's first message arrives.
extern const HookSite kLateHook;
// The first row of the group gated by bEnableFirstPersonBody: the blanking
// writes come right before it.
constexpr int kFirstBodyGatedRow = 7;

// The piece the site's jump enters: of the recording set while frames are
// recorded (decided once, at load).
inline uint32_t GlueAddress(const HookSite& row) {
    return reinterpret_cast<uint32_t>(RecordingFrames() ? row.recordingGlue : row.glue);
}
