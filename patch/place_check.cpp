#include "patch/place_check.h"

#include <stdio.h>
#include <string.h>

#include "game/addresses.h"
#include "log/diagnostic_log.h"
#include "patch/known_plugins.h"
#include "platform/game_path.h"
#include "platform/platform.h"

namespace {

constexpr uint8_t kCallOpcode = 0xE8;
constexpr uint8_t kJumpOpcode = 0xE9;
constexpr uint8_t kIndirectOpcode = 0xFF;
constexpr uint8_t kIndirectJumpModrm = 0x25; // FF 25: jmp dword ptr [address]
constexpr int kIndirectJumpBytes = 6;
constexpr uint8_t kShortBranchFirst = 0x70; // jo short .. jg short
constexpr uint8_t kShortBranchLast = 0x7F;
constexpr int kRead = kMaxPlaceBytes; // enough for every rule's pattern
constexpr int kDetourLength = 5;
constexpr const char* kCoreOff = "Lumenfold stays off, nothing was patched";
// The longest module name a line quotes.
constexpr int kModuleNameLimit = 40;

uint32_t WordAt(const uint8_t* bytes) {
    uint32_t v;
    memcpy(&v, bytes, 4);
    return v;
}

bool InGame(uint32_t address) {
    return address >= LF_GAME_RANGE_BEGIN && address < LF_GAME_RANGE_END;
}

// The destination of a 5-byte relative jump or call at `address`.
uint32_t RelativeTarget(uint32_t address, const uint8_t* bytes) {
    return address + 5 + WordAt(bytes + 1);
}

// "into NAME" for the module that holds `address`, or "into memory of no
// module": the name a player needs to find the other plug-in. The module's
// file name goes to `file` ("" for none).
const char* ModuleOf(uint32_t address, char* out, size_t size, char* file) {
    char name[kGamePathCapacity], quoted[kModuleNameLimit + 8];
    file[0] = '\0';
    if (PlatformModuleName(address, name, sizeof name)) {
        snprintf(out, size, "into %s", QuoteForLog(name, quoted, sizeof quoted, kModuleNameLimit));
        const size_t n = strnlen(name, kFindingModuleSize - 1);
        memcpy(file, name, n);
        file[n] = '\0';
    } else {
        snprintf(out, size, "into memory of no module");
    }
    return out;
}

// Describes another module's detour at the place; false when there is none.
// The module's file name goes to `file`.
bool DescribeDetour(uint32_t address, const uint8_t* found, char* what, size_t size, char* file) {
    char module[kModuleNameLimit + 32];
    file[0] = '\0';
    if (found[0] == kJumpOpcode || found[0] == kCallOpcode) {
        const uint32_t target = RelativeTarget(address, found);
        if (!InGame(target)) {
            snprintf(what, size, "holds a %s to 0x%08X %s that is not the game's",
                     found[0] == kJumpOpcode ? "jump" : "call", target,
                     ModuleOf(target, module, sizeof module, file));
            return true;
        }
        return false;
    }
    if (found[0] == kIndirectOpcode && found[1] == kIndirectJumpModrm) {
        // The pointer is read only where that memory can be read.
        const uint32_t pointer = WordAt(found + 2);
        uint32_t target = 0;
        if (PlatformReadWord(pointer, &target)) {
            snprintf(what, size,
                     "holds an indirect jump through 0x%08X to 0x%08X %s that is not "
                     "the game's",
                     pointer, target, ModuleOf(target, module, sizeof module, file));
        } else {
            snprintf(what, size,
                     "holds an indirect jump through 0x%08X (memory that cannot be "
                     "read) that is not the game's",
                     pointer);
        }
        return true;
    }
    return false;
}

void HexBytes(const uint8_t* bytes, int count, char* out, size_t size) {
    size_t used = 0;
    out[0] = '\0';
    for (int i = 0; i < count && used + 4 <= size; ++i) {
        used += static_cast<size_t>(
            snprintf(out + used, size - used, i == 0 ? "%02X" : " %02X", bytes[i]));
    }
}

// Decides a place that holds neither our bytes nor a detour.
bool MatchesGameRule(const PatchPlace& p, const uint8_t* found, char* what, size_t size) {
    switch (p.rule) {
    case PlaceRule::NoDetour:
        return true;
    case PlaceRule::CallsRoutine:
        if (found[0] == kCallOpcode && RelativeTarget(p.address, found) == p.gameRoutine) {
            return true;
        }
        if (found[0] == kCallOpcode) {
            snprintf(what, size, "holds a call to 0x%08X instead of the game's call to 0x%08X",
                     RelativeTarget(p.address, found), p.gameRoutine);
        } else {
            snprintf(what, size, "does not hold the game's call to 0x%08X", p.gameRoutine);
        }
        return false;
    case PlaceRule::Holds: {
        if (memcmp(found, p.gameBytes, p.gameByteCount) == 0) {
            return true;
        }
        char want[3 * kMaxPlaceBytes + 1];
        HexBytes(p.gameBytes, p.gameByteCount, want, sizeof want);
        snprintf(what, size, "does not hold the game's instruction bytes %s", want);
        return false;
    }
    case PlaceRule::ShortBranch:
        if (found[0] >= kShortBranchFirst && found[0] <= kShortBranchLast) {
            return true;
        }
        snprintf(what, size, "holds 0x%02X, not the game's short branch", found[0]);
        return false;
    case PlaceRule::GameAddress:
        if (InGame(WordAt(found))) {
            return true;
        }
        snprintf(what, size, "holds 0x%08X, not an address in the game", WordAt(found));
        return false;
    }
    return false;
}

// How many bytes a log line shows: what the plug-in would write, the game's
// pattern, and for code at least the length of a detour.
int ShownLength(const PatchPlace& p) {
    int n = WriteLength(p.kind);
    if (p.kind != WriteKind::Operand && n < kDetourLength) {
        n = kDetourLength;
    }
    if (p.rule == PlaceRule::Holds && p.gameByteCount > n) {
        n = p.gameByteCount;
    }
    return n;
}

struct WrittenPlace {
    const PatchPlace* place;
    uint8_t bytes[kMaxPlaceBytes];
    int count;
};
// Every write of the load: 22 jumps, two blanked stretches, the branch byte
// and three operands, with room to spare.
constexpr int kMaxWrittenPlaces = 32;
WrittenPlace g_written[kMaxWrittenPlaces];
int g_writtenCount = 0;

} // namespace

PlaceFinding CheckPlace(const PatchPlace& place, uint32_t value) {
    PlaceFinding f = {};
    f.foundCount = kRead;
    memcpy(f.found, reinterpret_cast<const void*>(place.address), kRead);
    uint8_t own[kMaxPlaceBytes];
    const int ownCount = OwnBytes(place, value, own);
    if (memcmp(f.found, own, ownCount) == 0) {
        f.verdict = PlaceVerdict::Ours;
        f.foundCount = ownCount;
        return f;
    }
    // An operand place holds data, not code: only the address rule judges it
    // (a game address may well begin with the bytes of a jump).
    const bool detour = place.kind != WriteKind::Operand &&
                        DescribeDetour(place.address, f.found, f.what, sizeof f.what, f.module);
    if (detour || !MatchesGameRule(place, f.found, f.what, sizeof f.what)) {
        f.verdict = PlaceVerdict::Conflict;
    } else {
        f.verdict = PlaceVerdict::Game;
    }
    f.foundCount = ShownLength(place);
    return f;
}

void FormatPlaceBytes(const PlaceFinding& finding, char* out, size_t size) {
    HexBytes(finding.found, finding.foundCount, out, size);
}

namespace {

// What stays off without the place, in a player's words; for a plug-in known
// to write there, what it does and what to change.
const char* WhatStaysOff(const PatchPlace& place, const char* module) {
    if (const KnownPlugin* known = KnownPluginAt(place.address, module)) {
        return known->words;
    }
    return place.group == kGroupCore ? kCoreOff : kPatchGroups[place.group].whatStaysOff;
}

} // namespace

void LogConflict(const PatchPlace& place, const PlaceFinding& finding) {
    char bytes[3 * kMaxPlaceBytes + 1];
    FormatPlaceBytes(finding, bytes, sizeof bytes);
    const char* off = WhatStaysOff(place, finding.module);
    LogError("site 0x%08X (%s) %s: %s (found: %s)", place.address, place.name, finding.what, off,
             bytes);
}

void RememberWrite(const PatchPlace& place) {
    if (g_writtenCount >= kMaxWrittenPlaces) {
        return;
    }
    WrittenPlace& w = g_written[g_writtenCount++];
    w.place = &place;
    w.count = WriteLength(place.kind);
    memcpy(w.bytes, reinterpret_cast<const void*>(place.address), w.count);
}

void ForgetWrites() {
    g_writtenCount = 0;
}

void LogOverwrittenPlace(const PatchPlace& place, int count) {
    // The place's bytes, and enough for a detour, which is named as at load:
    // where it leads, and into which module (an indirect jump is 6 bytes
    // long, one more than the jump written).
    static_assert(kMaxPlaceBytes >= kIndirectJumpBytes, "room for an indirect jump");
    uint8_t now[kMaxPlaceBytes];
    memcpy(now, reinterpret_cast<const void*>(place.address), kMaxPlaceBytes);
    char bytes[3 * kMaxPlaceBytes + 1];
    HexBytes(now, count, bytes, sizeof bytes);
    char detour[kFindingTextSize], module[kFindingModuleSize];
    char what[kFindingTextSize + 8] = "";
    if (DescribeDetour(place.address, now, detour, sizeof detour, module)) {
        snprintf(what, sizeof what, "; it %s", detour);
    }
    LogError("site 0x%08X (%s) no longer holds what Lumenfold wrote there: another module "
             "wrote over it after Lumenfold loaded%s; %s (found: %s)",
             place.address, place.name, what, WhatStaysOff(place, module), bytes);
}

int ReportOverwrittenPlaces() {
    int changed = 0;
    for (int i = 0; i < g_writtenCount; ++i) {
        const WrittenPlace& w = g_written[i];
        if (memcmp(reinterpret_cast<const void*>(w.place->address), w.bytes, w.count) != 0) {
            ++changed;
            LogOverwrittenPlace(*w.place, w.count);
        }
    }
    return changed;
}
