// The game's own code around the hook sites, as the simulated game lays it
// out: the instructions each site holds before it is patched (those the glue
// replays among them), the three routines whose calls the glue replays, a
// probe at every resume address, and the bytes the plain writes replace.
#include <string.h>

#include <initializer_list>

#include "game/addresses.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "sim/cpu_state.h"
#include "sim/sim_game.h"

namespace sim {

namespace {

constexpr uint8_t kCall = 0xE8;
constexpr uint8_t kJump = 0xE9;

void Bytes(uint32_t at, std::initializer_list<uint8_t> bytes) {
    memcpy(reinterpret_cast<void*>(at), bytes.begin(), bytes.size());
}

void Rel32(uint32_t at, uint8_t opcode, uint32_t target) {
    const uint32_t rel = target - (at + 5);
    uint8_t* p = reinterpret_cast<uint8_t*>(at);
    p[0] = opcode;
    memcpy(p + 1, &rel, 4);
}

void Word(uint32_t at, uint32_t value) {
    memcpy(reinterpret_cast<void*>(at), &value, 4);
}

uint32_t Address(void (*f)()) {
    return reinterpret_cast<uint32_t>(f);
}

// The draw sequence of a draw site: mov edx,[reg]; mov ecx,reg;
// call [edx + 4 * slot] (the Draw slot), padded with no-operations to
// `covers` bytes.
void DrawCall(uint32_t at, uint8_t modrmLoad, uint8_t modrmMove, uint32_t covers) {
    memset(reinterpret_cast<void*>(at), 0x90, covers);
    Bytes(at, {0x8B, modrmLoad, 0x8B, modrmMove, 0xFF, 0x52, 4 * LF_DRAW_OBJECT_DRAW_SLOT});
}

// The game's code that a glue replays, as the hook table gives it.
void ReplayedCode(const PatchPlace& p) {
    if (p.rule == PlaceRule::CallsRoutine) {
        Rel32(p.address, kCall, p.gameRoutine);
    } else if (p.rule == PlaceRule::Holds) {
        memcpy(reinterpret_cast<void*>(p.address), p.gameBytes, p.gameByteCount);
    }
}

} // namespace

// Where the simulated game keeps the three values the override writes
// redirect (its own data; the operands point at them).
constexpr uint32_t kSimSittingLookDown = 0x00B40000;
constexpr uint32_t kSimMountedLookDown = 0x00B40004;
constexpr uint32_t kSimVanityDefault = 0x00B40008;

void InstallGameCode() {
    // The routines whose calls the glue replays.
    Rel32(LF_ADDR_FRAME_START_ROUTINE, kJump, Address(SimReplayedFrameStart));
    Rel32(LF_ADDR_CAMERA_SWITCH_ROUTINE, kJump, Address(SimReplayedCameraSwitch));
    Rel32(LF_ADDR_SCENE_PASS_ROUTINE, kJump, Address(SimReplayedScenePass));

    // The instructions at the sites. Where the glue replays the game's code
    // (a call of a routine, or instruction bytes), the hook table says what
    // the game holds there.
    for (const HookSite& row : kLoadHooks) {
        ReplayedCode(row.place);
    }
    ReplayedCode(kLateHook.place);
    memset(reinterpret_cast<void*>(LF_SITE_HEAD_CAMERA), 0x90, 14); // the game's placement
    Rel32(LF_SITE_BODY_PASS, kCall, LF_ADDR_UPDATE_ANIMATION_RECORD);
    Bytes(LF_SITE_ACTOR_BRANCH, {0x0F, 0x84}); // jz near
    Word(LF_SITE_ACTOR_BRANCH + 2, LF_RESUME_ACTOR_BRANCH_TAKEN - LF_RESUME_ACTOR_BRANCH_NEXT);
    Bytes(LF_SITE_EXTRA_UPDATE + 3, // after the three pops: jz short
          {0x74, LF_RESUME_EXTRA_UPDATE_TAKEN - LF_RESUME_EXTRA_UPDATE_NEXT});
    Bytes(LF_SITE_BODY_PASS_ARGUMENT, {0x8B, 0x44, 0x24, LF_BODY_PASS_ARGUMENT_STACK_OFFSET, 0x50});
    Bytes(LF_SITE_SHOWN_RECORD, {0x8B, 0x44, 0x24, LF_SHOWN_RECORD_STACK_OFFSET, 0x50});
    // EAX; the rest of its long stretch is other code (two more sites among
    // it), which the simulated game jumps over.
    DrawCall(LF_SITE_DRAW_D, 0x10, 0xC8, 9);
    Rel32(LF_SITE_DRAW_D + 9, kJump, LF_RESUME_DRAW_D);
    DrawCall(LF_SITE_DRAW_A, 0x10, 0xC8, 9);  // EAX
    DrawCall(LF_SITE_DRAW_B, 0x16, 0xCE, 17); // ESI
    DrawCall(LF_SITE_DRAW_C, 0x17, 0xCF, 9);  // EDI
    DrawCall(LF_SITE_DRAW_E, 0x16, 0xCE, 17); // ESI
    for (uint32_t site : {LF_SITE_CHASE_A, LF_SITE_CHASE_B, LF_SITE_CHASE_C, LF_SITE_CHASE_D}) {
        Bytes(site, {0xD9, 0x1D}); // fstp dword [distance], then four more bytes
        Word(site + 2, LF_ADDR_CHASE_CAMERA_DISTANCE);
        Bytes(site + 6, {0x90, 0x90, 0x90, 0x90});
    }

    // A probe at every resume address.
    for (uint32_t resume : {LF_RESUME_FRAME_START,
                            LF_RESUME_HEAD_CAMERA,
                            LF_RESUME_BODY_PASS,
                            LF_RESUME_ACTOR_BRANCH_TAKEN,
                            LF_RESUME_ACTOR_BRANCH_NEXT,
                            LF_RESUME_FORCED_SKIP_TAKEN,
                            LF_RESUME_FORCED_SKIP_NEXT,
                            LF_RESUME_EXTRA_UPDATE_TAKEN,
                            LF_RESUME_EXTRA_UPDATE_NEXT,
                            LF_RESUME_BODY_PASS_ARGUMENT,
                            LF_RESUME_SHOWN_RECORD_TAKEN,
                            LF_RESUME_SHOWN_RECORD_NEXT,
                            LF_RESUME_DRAW_A,
                            LF_RESUME_DRAW_B,
                            LF_RESUME_DRAW_C,
                            LF_RESUME_DRAW_D,
                            LF_RESUME_DRAW_E,
                            LF_RESUME_SWITCH_DECIDE,
                            LF_RESUME_SWITCH_SIT_A,
                            LF_RESUME_SWITCH_SIT_B,
                            LF_RESUME_SWITCH_SIT_C,
                            LF_RESUME_SWITCH_DEATH,
                            LF_RESUME_CHASE_A,
                            LF_RESUME_CHASE_B,
                            LF_RESUME_CHASE_C,
                            LF_RESUME_CHASE_D,
                            LF_RESUME_SHADOW_PASS}) {
        Rel32(resume, kCall, Address(SimProbeEntry));
    }

    // What the plain writes replace: two six-byte stores, a short branch and
    // three loads through an operand address.
    for (uint32_t at : {LF_BLANK_A, LF_BLANK_B}) {
        Bytes(at, {0x89, 0x86, 0x10, 0x01, 0x00, 0x00}); // mov [esi+0x110], eax
    }
    Bytes(LF_SHADOW_BRANCH, {0x75, 0x12}); // jnz short
    const float values[3] = {40.0f, 40.0f, 300.0f};
    const uint32_t homes[3] = {kSimSittingLookDown, kSimMountedLookDown, kSimVanityDefault};
    const uint32_t operands[3] = {LF_OPERAND_SITTING_LOOK_DOWN, LF_OPERAND_MOUNTED_LOOK_DOWN,
                                  LF_OPERAND_VANITY_DEFAULT};
    for (int i = 0; i < 3; ++i) {
        memcpy(reinterpret_cast<void*>(homes[i]), &values[i], 4);
        Bytes(operands[i] - 2, {0xD9, 0x05}); // fld dword [operand]
        Word(operands[i], homes[i]);
    }
}

} // namespace sim
