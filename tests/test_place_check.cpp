// The places of the game's code are read before anything is written: another
// module's detour leaves out exactly its group (or, in the core, the whole
// plug-in), with one log line a player can act on; a place written over after
// the load is reported on the host's first message.
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>

#include <algorithm>

#include <string>
#include <vector>

#include "entry/plugin_entry.h"
#include "patch/fixed_patches.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "patch/load_sequence.h"
#include "patch/place_check.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "sim/sim_host.h"
#include "tests/fixture.h"

namespace {

constexpr uint32_t kForeign = 0x1F2A3B40; // another module's code, far above the game
constexpr size_t kPageBytes = 0x1000;

void Put(uint32_t at, std::initializer_list<uint8_t> bytes) {
    memcpy(reinterpret_cast<void*>(at), bytes.begin(), bytes.size());
}
void PutRelative(uint32_t at, uint8_t opcode, uint32_t target) {
    const uint32_t rel = target - (at + 5);
    Put(at, {opcode});
    memcpy(reinterpret_cast<void*>(at + 1), &rel, 4);
}

// The places that hold the plug-in's bytes now.
std::vector<const PatchPlace*> Written(const std::vector<PlannedWrite>& plan) {
    std::vector<const PatchPlace*> out;
    for (const PlannedWrite& w : plan) {
        if (CheckPlace(*w.place, w.value).verdict == PlaceVerdict::Ours) {
            out.push_back(w.place);
        }
    }
    return out;
}

std::vector<PlannedWrite> Plan() {
    PlannedWrite plan[kMaxLoadWrites];
    return std::vector<PlannedWrite>(plan, plan + PlanLoadWrites(plan));
}

class PlaceCheck : public GameTest {
  protected:
    PlaceCheck() {
        PlatformSetModuleFileName("Z:\\nowhere\\lumenfold-test\\Oblivion.exe");
        EnableEveryGroup();
        PlatformTakeDebugOutput();
    }
    // Every group enabled, so that each can be seen to drop out alone.
    static void EnableEveryGroup() {
        SetDefaultSettings();
        Settings.bFirstPersonShadows = 1;
        Settings.fSittingMaxLookingDownOverride = 35.0f;
        Settings.fMountedMaxLookingDownOverride = 45.0f;
        Settings.fVanityModeForceDefaultOverride = 250.0f;
    }
};

// One foreign change per group: the group is left out, its setting reads as
// if the file had said 0 (an override: its default), everything else of the
// load is written, and the log has the line.
TEST_F(PlaceCheck, AConflictLeavesOutExactlyItsGroup) {
    // A page of this process that cannot be read: an indirect jump's pointer
    // there is not followed. (No address is taken to be unmapped: under a
    // sanitizer, for one, its own memory lies where a plain process has none.)
    void* page = mmap(nullptr, kPageBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(MAP_FAILED, page);
    static uint32_t unreadable;
    unreadable = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(page));
    const uint8_t* u = reinterpret_cast<const uint8_t*>(&unreadable);
    char indirectLine[256];
    snprintf(indirectLine, sizeof indirectLine,
             "site 0x00664FFB (body blanking) holds an indirect jump through 0x%08X (memory that "
             "cannot be read) that is not the game's: the body is not drawn in first person "
             "(found: FF 25 %02X %02X %02X %02X)",
             unreadable, u[0], u[1], u[2], u[3]);
    struct Case {
        const char* what;
        void (*spoil)();
        PatchGroupId group;
        const char* line;
    } cases[] = {
        {"a detour call at a chase-distance store",
         [] { PutRelative(LF_SITE_CHASE_A, 0xE8, kForeign); }, kGroupChaseDistance,
         "site 0x0066C61F (chase distance) holds a call to 0x1F2A3B40 into memory of no module "
         "that is not the game's: "
         "the chase distance is not kept (found: E8 1C 75 C3 1E)"},
        {"a detour jump at a draw site", [] { PutRelative(LF_SITE_DRAW_D, 0xE9, 0x01000000); },
         kGroupBody,
         "site 0x006576DF (double draw) holds a jump to 0x01000000 into memory of no module that "
         "is not the game's: the "
         "body is not drawn in first person (found: E9 1C 89 9A 00)"},
        {"an indirect jump over a blanked stretch",
         [] {
             Put(LF_BLANK_B, {0xFF, 0x25});
             memcpy(reinterpret_cast<void*>(LF_BLANK_B + 2), &unreadable, 4);
         },
         kGroupBody, indirectLine},
        {"another destination of a replayed call (sitting)",
         [] { PutRelative(LF_SITE_SWITCH_SIT_B, 0xE8, LF_ADDR_CAMERA_SWITCH_ROUTINE + 0x10); },
         kGroupSitting,
         "site 0x0066CF5D (camera switch, sitting) holds a call to 0x0066C590 instead of the "
         "game's call to 0x0066C580: first person is not kept while sitting (found: E8 2E F6 FF "
         "FF)"},
        {"a detour at the death switch", [] { PutRelative(LF_SITE_SWITCH_DEATH, 0xE9, kForeign); },
         kGroupDeath,
         "site 0x00600BCC (camera switch, death) holds a jump to 0x1F2A3B40 into memory of no "
         "module that is not the game's: first person is not kept at death (found: E9 6F 2F CA "
         "1E)"},
        {"no short branch at the shadow byte", [] { Put(LF_SHADOW_BRANCH, {0x90}); },
         kGroupShadowBranch,
         "site 0x00407519 (shadow branch) holds 0x90, not the game's short branch: the body "
         "casts no shadow in first person (found: 90 12 CC CC CC)"},
        {"an operand pointing out of the game",
         [] {
             Put(LF_OPERAND_MOUNTED_LOOK_DOWN, {0x00, 0x00, 0x00, 0x20});
         },
         kGroupMountedLookDown,
         "site 0x009E8162 (mounted look-down limit) holds 0x20000000, not an address in the "
         "game: the game keeps its own look-down limit on horseback (found: 00 00 00 20)"},
    };
    for (const Case& c : cases) {
        sim::InstallGameCode(); // the game's own bytes again
        EnableEveryGroup();
        const std::vector<PlannedWrite> all = Plan();
        c.spoil();
        testing::internal::CaptureStdout();
        EXPECT_TRUE(InstallLoadPatches()) << c.what;
        EXPECT_EQ(std::string(c.line) + "\n", testing::internal::GetCapturedStdout()) << c.what;
        EXPECT_EQ("Lumenfold: " + std::string(c.line) + "\n", PlatformTakeDebugOutput());
        EXPECT_FALSE(PatchGroupEnabled(c.group)) << c.what;
        const PatchGroup& g = kPatchGroups[c.group];
        if (g.setting != nullptr) {
            EXPECT_EQ(0, *g.setting) << c.what;
        } else {
            EXPECT_EQ(SettingsFloatDefault(g.override), *g.override) << c.what;
        }
        std::vector<const PatchPlace*> want;
        for (const PlannedWrite& w : all) {
            if (w.place->group != c.group) {
                want.push_back(w.place);
            }
        }
        EXPECT_EQ(want, Written(all)) << c.what;
    }
    munmap(page, kPageBytes);
}

// In the core nothing at all is written and no listener registered: the
// load answers false, so that the host records the plug-in as not loaded.
TEST_F(PlaceCheck, ACoreConflictLeavesTheGameUntouched) {
    struct Case {
        void (*spoil)();
        const char* line;
    } cases[] = {
        {[] { PutRelative(LF_SITE_HEAD_CAMERA, 0xE9, kForeign); },
         "site 0x0066BE6E (head camera) holds a jump to 0x1F2A3B40 into memory of no module that "
         "is not the game's: "
         "Lumenfold stays off, nothing was patched (found: E9 CD 7C C3 1E)"},
        {[] { PutRelative(LF_SITE_BODY_PASS, 0xE8, 0x01000000); },
         "site 0x006043DC (body pass) holds a call to 0x01000000 into memory of no module that is "
         "not the game's: "
         "Lumenfold stays off, nothing was patched (found: E8 1F BC 9F 00)"},
        {[] { PutRelative(LF_SITE_FRAME_START, 0xE8, LF_ADDR_FRAME_START_ROUTINE + 0x10); },
         "site 0x006650C9 (frame start) holds a call to 0x005E5490 instead of the game's call "
         "to 0x005E5480: Lumenfold stays off, nothing was patched (found: E8 C2 03 F8 FF)"},
        {[] {
             Put(LF_SITE_FORCED_SKIP + 2, {0x00, 0x00});
         },
         "site 0x0065F4E2 (forced-mode skip) does not hold the game's instruction bytes D9 05 "
         "50 4E B1 00: Lumenfold stays off, nothing was patched (found: D9 05 00 00 B1 00)"},
        {[] { Put(LF_SITE_EXTRA_UPDATE + 2, {0x90}); },
         "site 0x0070C159 (extra-update branch) does not hold the game's instruction bytes 5F "
         "5E 5B: Lumenfold stays off, nothing was patched (found: 5F 5E 90 74 0A)"},
        {[] { PutRelative(LF_SITE_SWITCH_DECIDE, 0xE9, kForeign); },
         "site 0x0066C63D (camera switch) holds a jump to 0x1F2A3B40 into memory of no module that "
         "is not the game's: "
         "Lumenfold stays off, nothing was patched (found: E9 FE 74 C3 1E)"},
    };
    for (const Case& c : cases) {
        sim::InstallGameCode();
        c.spoil();
        sim::Host host;
        PlatformClearProtectCalls();
        testing::internal::CaptureStdout();
        EXPECT_FALSE(OBSEPlugin_Load(&host.record));
        EXPECT_EQ(std::string(c.line) + "\n", testing::internal::GetCapturedStdout());
        EXPECT_EQ(0, PlatformProtectCallCount()); // not one byte written
        EXPECT_EQ(0, host.queryCalls);
        EXPECT_EQ(0, host.registerCalls);
    }
}

// Every conflict of a load is logged, one line each; a group with two
// conflicting places gives two lines and drops out once.
TEST_F(PlaceCheck, EveryConflictIsOneLine) {
    PutRelative(LF_SITE_CHASE_B, 0xE9, kForeign);
    PutRelative(LF_SITE_CHASE_D, 0xE9, kForeign);
    Put(LF_OPERAND_SITTING_LOOK_DOWN, {0x00, 0x00, 0x00, 0x00});
    testing::internal::CaptureStdout();
    EXPECT_TRUE(InstallLoadPatches());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(3, std::count(out.begin(), out.end(), '\n')) << out;
    EXPECT_NE(std::string::npos, out.find("site 0x0066CED2 (chase distance)"));
    EXPECT_NE(std::string::npos, out.find("site 0x0066CCA0 (chase distance)"));
    EXPECT_NE(std::string::npos, out.find("site 0x009E8192 (sitting look-down limit) holds "
                                          "0x00000000, not an address in the game"));
    EXPECT_EQ(0, Settings.bPreventChaseCamDistanceReset);
    EXPECT_EQ(40.0f, Settings.fSittingMaxLookingDownOverride);
    EXPECT_EQ(45.0f, Settings.fMountedMaxLookingDownOverride); // its own place was the game's
}

// The late site is checked on every message 0 before its write.
TEST_F(PlaceCheck, TheLateSiteIsCheckedOnEachMessageZero) {
    sim::Host host;
    ASSERT_TRUE(OBSEPlugin_Load(&host.record));
    PutRelative(LF_SITE_SHADOW_PASS, 0xE9, kForeign);
    testing::internal::CaptureStdout();
    host.Send(kMessagePostLoad);
    EXPECT_EQ("site 0x0040C91B (shadow pass) holds a jump to 0x1F2A3B40 into memory of no module "
              "that is not the game's: "
              "the body is not made whole for its shadow, and the body view steps aside in plain "
              "first person, where the head and arms would show from inside (found: E9 20 72 E9 "
              "1E)\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(0xE9, *reinterpret_cast<const uint8_t*>(LF_SITE_SHADOW_PASS));
    uint32_t displacement;
    memcpy(&displacement, reinterpret_cast<const void*>(LF_SITE_SHADOW_PASS + 1), 4);
    EXPECT_EQ(kForeign - (LF_SITE_SHADOW_PASS + 5), displacement); // left alone
    // Once the other module is gone, a later message 0 writes it.
    PutRelative(LF_SITE_SHADOW_PASS, 0xE8, LF_ADDR_SCENE_PASS_ROUTINE);
    EXPECT_TRUE(InstallLateHook());
    EXPECT_EQ(PlaceVerdict::Ours, CheckPlace(kLateHook.place, GlueAddress(kLateHook)).verdict);
}

// On the first message 0 every place the load wrote is read again; one that
// another module wrote over since is reported, once.
TEST_F(PlaceCheck, APlaceWrittenOverAfterTheLoadIsReportedOnTheFirstMessage) {
    sim::Host host;
    ASSERT_TRUE(OBSEPlugin_Load(&host.record));
    PutRelative(LF_SITE_DRAW_C, 0xE9, kForeign);
    PlatformTakeDebugOutput();
    testing::internal::CaptureStdout();
    host.Send(kMessagePostLoad);
    host.Send(kMessagePostLoad);
    const std::string line =
        "site 0x0065775B (double draw) no longer holds what Lumenfold wrote there: another "
        "module wrote over it after Lumenfold loaded; it holds a jump to 0x1F2A3B40 into memory "
        "of no module that is not the game's; the body is not drawn in first person "
        "(found: E9 E0 C3 C4 1E)\n";
    EXPECT_EQ(line, testing::internal::GetCapturedStdout());
    EXPECT_EQ("Lumenfold: " + line, PlatformTakeDebugOutput());
}

// A load with nothing foreign logs nothing, and a second load over its own
// jumps (the same bytes again) is no conflict either.
TEST_F(PlaceCheck, OwnBytesAreNoConflict) {
    testing::internal::CaptureStdout();
    EXPECT_TRUE(InstallLoadPatches());
    EXPECT_TRUE(InstallLoadPatches());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ("", PlatformTakeDebugOutput());
    EXPECT_EQ(1, Settings.bFirstPersonShadows);
    EXPECT_EQ(35.0f, Settings.fSittingMaxLookingDownOverride);
}

} // namespace
