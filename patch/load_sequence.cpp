#include "patch/load_sequence.h"

#include <stdio.h>
#include <string.h>

#include "log/diagnostic_log.h"
#include "patch/fixed_patches.h"
#include "patch/hook_table.h"
#include "patch/patch_writer.h"
#include "patch/place_check.h"
#include "view/view_state.h"

extern "C" {
int32_t LateSiteWritten = 0;
}

namespace {

constexpr uint16_t kNop2 = kNopOpcode * 0x0101u;
constexpr uint32_t kNop4 = kNopOpcode * 0x01010101u;

// What the load found and did at each place, for the log file.
enum class PlaceOutcome : uint8_t {
    Written,
    Off,        // its group is off by its setting
    Conflict,   // another module's bytes: left out with its group
    WithGroup,  // left out because another place of its group conflicts
    CoreFailed, // nothing written: a place of the core conflicts
    Waiting,    // the late site: written on the host's first message
};
struct PlaceRecord {
    const PatchPlace* place;
    uint32_t value;
    PlaceOutcome outcome;
    PlaceFinding finding;
};
constexpr int kMaxPlaces = kMaxLoadWrites + 1; // and the late site
PlaceRecord g_places[kMaxPlaces];
int g_placeCount = 0;
bool g_lateSiteLogged = false;
// The late site's bytes as Lumenfold wrote them; while LateSiteWritten, the
// camera update looks whether they are still there.
constexpr int kLateSiteBytes = 5;
uint8_t g_lateBytes[kLateSiteBytes];

// Another module wrote over the late site after Lumenfold did: its group is
// off from here on, and the camera update does the frame's chores.
__attribute__((noinline)) void LoseLateSite() {
    LateSiteWritten = 0;
    LogOverwrittenPlace(kLateHook.place, kLateSiteBytes);
    TurnPatchGroupOff(kGroupShadowPass);
    FrameChoresAtCamera = 1;
}

void Add(PlannedWrite* out, int* n, const PatchPlace& place, uint32_t value) {
    out[(*n)++] = {&place, value};
}

const char* OutcomeText(const PlaceRecord& r, char* out, size_t size) {
    const PatchGroup& group = kPatchGroups[r.place->group];
    switch (r.outcome) {
    case PlaceOutcome::Written:
        return "written";
    case PlaceOutcome::Off:
        return group.override != nullptr ? "off: its setting keeps the game's own value"
                                         : "off by its setting";
    case PlaceOutcome::Conflict: {
        char bytes[3 * kMaxPlaceBytes + 1];
        FormatPlaceBytes(r.finding, bytes, sizeof bytes);
        snprintf(out, size, "left out: %s (found: %s)", r.finding.what, bytes);
        return out;
    }
    case PlaceOutcome::WithGroup:
        return "left out with its group";
    case PlaceOutcome::CoreFailed:
        return "not written: Lumenfold stays off";
    case PlaceOutcome::Waiting:
        return "checked; written on the host's first message";
    }
    return "";
}

void LogPlace(const PlaceRecord& r) {
    char text[256];
    LogDetail("place 0x%08X %s (%s): %s", r.place->address, r.place->name,
              kPatchGroups[r.place->group].name, OutcomeText(r, text, sizeof text));
}

} // namespace

int ListLoadPlaces(PlannedWrite* out) {
    int n = 0;
    for (int i = 0; i < kLoadHookCount; ++i) {
        if (i == kFirstBodyGatedRow) {
            for (const PatchPlace& blank : kBlankPlaces) {
                Add(out, &n, blank, 0);
            }
        }
        Add(out, &n, kLoadHooks[i].place, GlueAddress(kLoadHooks[i]));
    }
    Add(out, &n, kShadowBranchPlace, 0);
    for (const PatchPlace& operand : kOverridePlaces) {
        Add(out, &n, operand, reinterpret_cast<uint32_t>(OverrideField(operand)));
    }
    return n;
}

int PlanLoadWrites(PlannedWrite* out) {
    PlannedWrite all[kMaxLoadWrites];
    const int count = ListLoadPlaces(all);
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (PatchGroupEnabled(all[i].place->group)) {
            out[n++] = all[i];
        }
    }
    return n;
}

bool PrepareLoadPatches() {
    // Until the late site is the plug-in's, the camera update does the
    // frame's chores in its place.
    AllowPatchGroup(kGroupShadowPass);
    FrameChoresAtCamera = 1;
    g_lateSiteLogged = false;
    LateSiteWritten = 0;

    PlannedWrite all[kMaxLoadWrites];
    const int n = ListLoadPlaces(all);
    g_placeCount = 0;
    bool conflict[kPatchGroupCount] = {};
    auto check = [&conflict](const PatchPlace& place, uint32_t value, PlaceOutcome fine) {
        PlaceRecord& r = g_places[g_placeCount++];
        r = {&place, value, fine, {}};
        if (!PatchGroupEnabled(place.group)) {
            r.outcome = PlaceOutcome::Off;
            return;
        }
        r.finding = CheckPlace(place, value);
        if (r.finding.verdict == PlaceVerdict::Conflict) {
            LogConflict(place, r.finding);
            conflict[place.group] = true;
            r.outcome = PlaceOutcome::Conflict;
        }
    };
    for (int i = 0; i < n; ++i) {
        check(*all[i].place, all[i].value, PlaceOutcome::Written);
    }
    check(kLateHook.place, GlueAddress(kLateHook), PlaceOutcome::Waiting);

    for (int i = 0; i < g_placeCount; ++i) {
        PlaceRecord& r = g_places[i];
        if (conflict[kGroupCore]) {
            if (r.outcome != PlaceOutcome::Off && r.outcome != PlaceOutcome::Conflict) {
                r.outcome = PlaceOutcome::CoreFailed;
            }
        } else if (conflict[r.place->group] && r.outcome != PlaceOutcome::Conflict) {
            r.outcome = PlaceOutcome::WithGroup;
        }
    }
    if (conflict[kGroupCore]) {
        return false;
    }
    for (int g = 0; g < kPatchGroupCount; ++g) {
        if (conflict[g]) {
            TurnPatchGroupOff(static_cast<PatchGroupId>(g));
        }
    }
    return true;
}

void WriteLoadPatches() {
    PlannedWrite plan[kMaxLoadWrites];
    const int n = PlanLoadWrites(plan);
    for (int i = 0; i < n; ++i) {
        WritePlace(*plan[i].place, plan[i].value);
        RememberWrite(*plan[i].place);
    }
}

bool InstallLoadPatches() {
    if (!PrepareLoadPatches()) {
        return false;
    }
    WriteLoadPatches();
    return true;
}

void LogLoadPlaces() {
    for (int i = 0; i < g_placeCount; ++i) {
        LogPlace(g_places[i]);
    }
}

bool InstallLateHook() {
    const PlaceFinding f = CheckPlace(kLateHook.place, GlueAddress(kLateHook));
    PlaceRecord r = {&kLateHook.place, GlueAddress(kLateHook), PlaceOutcome::Written, f};
    if (f.verdict == PlaceVerdict::Conflict) {
        // Another module holds it: the camera update does the frame's chores
        // in its place. A conflict the load already found is not told again.
        LateSiteWritten = 0;
        FrameChoresAtCamera = 1;
        if (PatchGroupEnabled(kGroupShadowPass)) {
            LogConflict(kLateHook.place, f);
            TurnPatchGroupOff(kGroupShadowPass);
            r.outcome = PlaceOutcome::Conflict;
            LogPlace(r);
        }
        return false;
    }
    AllowPatchGroup(kGroupShadowPass); // the other module is gone
    WritePlace(kLateHook.place, GlueAddress(kLateHook));
    memcpy(g_lateBytes, reinterpret_cast<const void*>(kLateHook.place.address), kLateSiteBytes);
    LateSiteWritten = 1;
    FrameChoresAtCamera = 0;
    if (!g_lateSiteLogged) {
        g_lateSiteLogged = true;
        LogPlace(r);
    }
    return true;
}

void CheckLateSite() {
    if (LateSiteWritten == 0) {
        return;
    }
    // Five bytes as a word and a byte: no library call in the frame.
    const uint8_t* now = reinterpret_cast<const uint8_t*>(kLateHook.place.address);
    uint32_t word, was;
    memcpy(&word, now + 1, 4);
    memcpy(&was, g_lateBytes + 1, 4);
    if (now[0] != g_lateBytes[0] || word != was) {
        LoseLateSite();
    }
}

void WritePlace(const PatchPlace& place, uint32_t value) {
    switch (place.kind) {
    case WriteKind::Jump:
        PatchJump(place.address, value);
        break;
    case WriteKind::Blank:
        // A 16-bit write, then a 32-bit one two bytes further.
        PatchHalf(place.address, kNop2);
        PatchWord(place.address + 2, kNop4);
        break;
    case WriteKind::Branch:
        PatchByte(place.address, kShortJumpOpcode);
        break;
    case WriteKind::Operand:
        PatchWord(place.address, value);
        break;
    }
}
