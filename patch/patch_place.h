// The places in the game's code that the plug-in writes, the groups they
// belong to, and how the game's own bytes at each place are recognised.
//
// Other plug-ins of the script extender patch the game's code too. Before
// anything is written, every place is read and compared with what the game
// holds there; a place that holds another module's detour is a conflict, and
// its group is left out (or, for the core, the whole plug-in).
#pragma once

#include <stdint.h>

// The groups of writes that stand or fall together.
enum PatchGroupId : uint8_t {
    kGroupCore,            // the frame's own hooks: without them nothing works
    kGroupBody,            // the body in first person: blanking and six jumps
    kGroupSitting,         // first person kept while sitting
    kGroupDeath,           // first person kept at death
    kGroupChaseDistance,   // the chase distance kept
    kGroupShadowBranch,    // the body's shadow in first person
    kGroupSittingLookDown, // the three redirected value reads, one each
    kGroupMountedLookDown,
    kGroupVanityDistance,
    kGroupShadowPass, // the late site, written on the host's first message
    kPatchGroupCount
};

struct PatchGroup {
    const char* name;         // for the log: the group's short name
    const char* whatStaysOff; // for the log: what the player loses without it
    int32_t* setting;         // the switch that enables it; null: always enabled
    float* override;          // an override float: enabled when it differs from its default
};
extern const PatchGroup kPatchGroups[kPatchGroupCount];

// Whether a group is written under the current settings.
bool PatchGroupEnabled(PatchGroupId group);
// Leaves a group out: its switch reads 0 (an override: its default) from now
// on, so that the per-frame logic agrees with what was patched.
void TurnPatchGroupOff(PatchGroupId group);
// The late site has no key of the settings: its switch is the plug-in's own,
// on at every load until another module is found holding the site.
void AllowPatchGroup(PatchGroupId group);

// How the plug-in changes a place.
enum class WriteKind : uint8_t {
    Jump,    // a 5-byte relative jump into glue
    Blank,   // six no-operations (a 16-bit and a 32-bit write)
    Branch,  // the opcode byte of an unconditional short jump
    Operand, // the 32-bit address of a settings float
};

// How the game's own bytes at a place are recognised.
enum class PlaceRule : uint8_t {
    NoDetour,     // anything but a jump or call out of the game's range, or an indirect jump
    CallsRoutine, // exactly the game's direct call of `gameRoutine` (the glue replays it)
    Holds,        // begins with exactly `gameBytes` (the glue replays them)
    ShortBranch,  // a short conditional branch
    GameAddress,  // an address word inside the game's range
};

struct PatchPlace {
    const char* name; // as a player reads it in the log
    uint32_t address;
    PatchGroupId group;
    WriteKind kind;
    PlaceRule rule;
    uint32_t gameRoutine;     // CallsRoutine
    const uint8_t* gameBytes; // Holds
    uint8_t gameByteCount;
};

// The longest stretch of bytes the plug-in writes at one place.
constexpr int kMaxPlaceBytes = 6;
int WriteLength(WriteKind kind);
// The bytes that the plug-in writes at `place`; `value` is the glue's address
// for a jump and the settings field's address for an operand. Returns the
// count.
int OwnBytes(const PatchPlace& place, uint32_t value, uint8_t* out);
