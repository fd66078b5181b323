// Code patching and the host handshake: the primitives, every write of the
// load sequence in its order, the late hook, and the entries' version checks.
#include <math.h>
#include <string.h>

#include <vector>

#include "entry/plugin_entry.h"
#include "patch/fixed_patches.h"
#include "patch/glue.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "patch/load_sequence.h"
#include "patch/patch_writer.h"
#include "platform/linux_host.h"
#include "platform/platform.h"
#include "sim/sim_host.h"
#include "tests/fixture.h"

namespace {

uint8_t Byte(uint32_t a) {
    return *reinterpret_cast<const uint8_t*>(a);
}
uint32_t Word(uint32_t a) {
    uint32_t v;
    memcpy(&v, reinterpret_cast<const void*>(a), 4);
    return v;
}
bool JumpsTo(const HookSite& row) {
    const uint32_t site = row.place.address;
    return Byte(site) == kJumpOpcode && Word(site + 1) == JumpDisplacement(site, GlueAddress(row));
}
bool JumpsTo(uint32_t site, void (*glue)()) {
    return Byte(site) == kJumpOpcode &&
           Word(site + 1) == JumpDisplacement(site, reinterpret_cast<uint32_t>(glue));
}
int JumpsInstalled() {
    int n = 0;
    for (const HookSite& row : kLoadHooks) {
        n += JumpsTo(row);
    }
    return n;
}

// --- patch primitives ---------------------------------------------------------

class Patching : public GameTest {};

TEST_F(Patching, JumpBytesAndNegativeDisplacement) {
    PatchJump(LF_SITE_SHADOW_PASS, 0x12345678);
    EXPECT_EQ(0xE9, Byte(LF_SITE_SHADOW_PASS));
    EXPECT_EQ(0x12345678u - 0x40C920u, Word(LF_SITE_SHADOW_PASS + 1));
    // A target below the site: 0x1000 -> 0x0F00 is E9 FB FE FF FF; the same
    // displacement from a site in the simulated range.
    EXPECT_EQ(0xFFFFFEFBu, JumpDisplacement(0x1000, 0x0F00));
    PatchJump(0x500000, 0x4FFF00);
    const uint8_t want[5] = {0xE9, 0xFB, 0xFE, 0xFF, 0xFF};
    EXPECT_EQ(0, memcmp(want, reinterpret_cast<const void*>(0x500000), 5));
}

TEST_F(Patching, NarrowWritesTouchOnlyTheirWidthAndProtectionComesBack) {
    const uint32_t at = 0x00501FFE; // the 4 protected bytes cross a page boundary
    memset(reinterpret_cast<void*>(at - 2), 0xAB, 8);
    uint32_t old;
    ASSERT_TRUE(PlatformProtect(at, 4, kPageExecuteRead, &old));
    PatchByte(at, 0x11);
    EXPECT_EQ(kPageExecuteRead, PlatformPageProtection(at));
    EXPECT_EQ(kPageExecuteRead, PlatformPageProtection(at + 3));
    PatchHalf(at, 0x2233);
    PatchWord(at + 4, 0x44556677);
    const uint8_t want[10] = {0xAB, 0xAB, 0x33, 0x22, 0xAB, 0xAB, 0x77, 0x66, 0x55, 0x44};
    ASSERT_TRUE(PlatformProtect(at - 2, 12, kPageExecuteReadWrite, &old));
    EXPECT_EQ(0, memcmp(want, reinterpret_cast<const void*>(at - 2), 10));
}

// --- the load sequence -----------------------------------------------------

class Load : public GameTest {
  protected:
    Load() { PlatformSetModuleFileName("Z:\\nowhere\\lumenfold-test\\Oblivion.exe"); }
};

TEST_F(Load, DefaultsInstallTwentyTwoJumpsAndTheLateOneOnMessageZero) {
    sim::Host host;
    ASSERT_TRUE(OBSEPlugin_Load(&host.record));
    EXPECT_EQ(22, JumpsInstalled());
    EXPECT_EQ(0xE8, Byte(LF_SITE_SHADOW_PASS)); // the game's own call, still
    EXPECT_EQ(1, host.registerCalls);
    EXPECT_STREQ("OBSE", host.registeredSender);
    EXPECT_EQ(host.pluginHandle, host.registeredPlugin);
    EXPECT_EQ(kMessagingInterfaceId, host.lastQueryId);
    ASSERT_TRUE(host.Send(0));
    EXPECT_TRUE(JumpsTo(LF_SITE_SHADOW_PASS, GlueShadowPass));
    uint8_t once[5];
    memcpy(once, reinterpret_cast<const void*>(LF_SITE_SHADOW_PASS), 5);
    host.Send(0);
    EXPECT_EQ(0, memcmp(once, reinterpret_cast<const void*>(LF_SITE_SHADOW_PASS), 5));
    // Bytes behind a jump that the glue skips are left as they were.
    EXPECT_EQ(0x00, Byte(LF_SITE_ACTOR_BRANCH + 5)); // high byte of the jz displacement
}

TEST_F(Load, WithTheBodyOffSixteenJumpsRemain) {
    Settings.bEnableFirstPersonBody = 0;
    InstallLoadPatches();
    EXPECT_EQ(16, JumpsInstalled());
    for (int i = 7; i <= 12; ++i) {
        EXPECT_FALSE(JumpsTo(kLoadHooks[i])) << kLoadHooks[i].place.name;
    }
    EXPECT_EQ(0x89, Byte(LF_BLANK_A)); // no blanking
    // The sitting sites depend on their own setting alone, and still force.
    for (int i = 14; i <= 16; ++i) {
        EXPECT_TRUE(JumpsTo(kLoadHooks[i])) << kLoadHooks[i].place.name;
    }
}

TEST_F(Load, EachGroupFollowsItsOwnSetting) {
    Settings.bFirstPersonSitting = 0;
    Settings.bFirstPersonDeath = 2; // any nonzero value
    Settings.bPreventChaseCamDistanceReset = 0;
    InstallLoadPatches();
    EXPECT_EQ(22 - 3 - 4, JumpsInstalled());
    EXPECT_TRUE(JumpsTo(LF_SITE_SWITCH_DEATH, GlueSwitchDeath));
    EXPECT_FALSE(JumpsTo(LF_SITE_CHASE_A, GlueChaseA));
}

TEST_F(Load, TheTableIsInInstallationOrder) {
    EXPECT_EQ(kGroupBody, kLoadHooks[kFirstBodyGatedRow].place.group);
    EXPECT_EQ(kGroupCore, kLoadHooks[kFirstBodyGatedRow - 1].place.group);
    for (const HookSite& row : kLoadHooks) {
        EXPECT_GE(row.covers, kJumpLength) << row.place.name;
        // resumes behind what it covers
        EXPECT_GE(row.resume, row.place.address + row.covers) << row.place.name;
    }
}

TEST_F(Load, WritesComeInTheOrderOfTheLoadSequence) {
    Settings.bFirstPersonShadows = 1;
    Settings.fSittingMaxLookingDownOverride = 35.0f;
    Settings.fVanityModeForceDefaultOverride = 250.0f;
    PlatformClearProtectCalls();
    InstallLoadPatches();
    // Each write lifts and restores the protection at its address: two calls.
    std::vector<uint32_t> writes;
    for (int i = 0; i < PlatformProtectCallCount(); i += 2) {
        EXPECT_EQ(PlatformProtectCallAddress(i), PlatformProtectCallAddress(i + 1));
        writes.push_back(PlatformProtectCallAddress(i));
    }
    std::vector<uint32_t> want;
    for (int i = 0; i < kLoadHookCount; ++i) {
        if (i == kFirstBodyGatedRow) {
            for (uint32_t a : {LF_BLANK_A, LF_BLANK_A + 2, LF_BLANK_B, LF_BLANK_B + 2}) {
                want.push_back(a);
            }
        }
        want.push_back(kLoadHooks[i].place.address);
        want.push_back(kLoadHooks[i].place.address + 1);
    }
    want.push_back(LF_SHADOW_BRANCH);
    want.push_back(LF_OPERAND_SITTING_LOOK_DOWN);
    want.push_back(LF_OPERAND_VANITY_DEFAULT);
    EXPECT_EQ(want, writes);
}

TEST_F(Load, BlankingAndTheShadowByte) {
    const uint8_t before = Byte(LF_BLANK_A - 1), after = Byte(LF_BLANK_A + 6);
    InstallLoadPatches();
    for (uint32_t base : {LF_BLANK_A, LF_BLANK_B}) {
        for (uint32_t i = 0; i < 6; ++i) {
            EXPECT_EQ(0x90, Byte(base + i));
        }
    }
    EXPECT_EQ(before, Byte(LF_BLANK_A - 1));
    EXPECT_EQ(after, Byte(LF_BLANK_A + 6));
    EXPECT_EQ(0x75, Byte(LF_SHADOW_BRANCH)); // shadows off by default
    Settings.bFirstPersonShadows = 1;
    InstallLoadPatches();
    EXPECT_EQ(0xEB, Byte(LF_SHADOW_BRANCH));
    EXPECT_EQ(0x12, Byte(LF_SHADOW_BRANCH + 1)); // the displacement stays
}

TEST_F(Load, OverridesAreRedirectedOnlyWhenTheyDifferFromTheDefault) {
    const uint32_t sitting = Word(LF_OPERAND_SITTING_LOOK_DOWN);
    const uint32_t vanity = Word(LF_OPERAND_VANITY_DEFAULT);
    InstallLoadPatches(); // defaults: nothing
    EXPECT_EQ(sitting, Word(LF_OPERAND_SITTING_LOOK_DOWN));
    EXPECT_EQ(vanity, Word(LF_OPERAND_VANITY_DEFAULT));

    Settings.fSittingMaxLookingDownOverride = 40.0001f;
    Settings.fMountedMaxLookingDownOverride = NAN;
    Settings.fVanityModeForceDefaultOverride = 300.0f;
    InstallLoadPatches();
    EXPECT_EQ(reinterpret_cast<uint32_t>(&Settings.fSittingMaxLookingDownOverride),
              Word(LF_OPERAND_SITTING_LOOK_DOWN));
    EXPECT_EQ(reinterpret_cast<uint32_t>(&Settings.fMountedMaxLookingDownOverride),
              Word(LF_OPERAND_MOUNTED_LOOK_DOWN));
    EXPECT_EQ(vanity, Word(LF_OPERAND_VANITY_DEFAULT));
    // The game's load now reads the plug-in's float.
    const float* read = reinterpret_cast<const float*>(Word(LF_OPERAND_SITTING_LOOK_DOWN));
    EXPECT_EQ(40.0001f, *read);
}

// --- the handshake ---------------------------------------------------------------

TEST_F(Load, QueryChecksHostAndGameVersions) {
    struct Row {
        uint32_t host, game, editor;
        bool ok;
        const char* line;
    } rows[] = {
        {20, LF_GAME_VERSION, 0, true, ""},
        {19, LF_GAME_VERSION, 0, false,
         "OBSE version too old (got 00000013 expected at least 00000014)\n"},
        {0, 0, 1, true, ""}, // the editor compares nothing
        {21, 0x010201A1, 0, false, "incorrect Oblivion version (got 010201A1 need 010201A0)\n"},
        {0xFFFFFFFF, LF_GAME_VERSION, 0, true, ""}, // unsigned comparison
    };
    for (const Row& r : rows) {
        sim::Host host(r.host, r.game, r.editor);
        PluginInfo info = {};
        testing::internal::CaptureStdout();
        EXPECT_EQ(r.ok, OBSEPlugin_Query(&host.record, &info)) << r.host;
        EXPECT_EQ(r.line, testing::internal::GetCapturedStdout());
        EXPECT_EQ(2u, info.InfoVersion);
        EXPECT_STREQ("Lumenfold", info.Name);
        EXPECT_EQ(1u, info.Version);
    }
}

TEST_F(Load, TheEditorReadsSettingsAndPatchesNothing) {
    sim::Host host(21, LF_GAME_VERSION, 1);
    memset(&Settings, 0, sizeof Settings);
    PlatformClearProtectCalls();
    EXPECT_TRUE(OBSEPlugin_Load(&host.record));
    EXPECT_EQ(1, Settings.bEnableFirstPersonBody); // read (defaults: no file)
    EXPECT_EQ(1, host.handleCalls);
    EXPECT_EQ(0, host.queryCalls);
    EXPECT_EQ(0, host.registerCalls);
    EXPECT_EQ(0, PlatformProtectCallCount());
    EXPECT_EQ(0, JumpsInstalled());
}

TEST_F(Load, MessagesOtherThanZeroAndEightChangeNothing) {
    sim::Host host;
    OBSEPlugin_Load(&host.record);
    WatchedMenuOpen = 1;
    for (uint32_t type : {1u, 9u, 2u}) {
        host.Send(type);
        EXPECT_EQ(1, WatchedMenuOpen);
        EXPECT_EQ(0xE8, Byte(LF_SITE_SHADOW_PASS));
    }
    host.Send(8);
    EXPECT_EQ(0, WatchedMenuOpen);
    host.Send(8);
    EXPECT_EQ(0, WatchedMenuOpen);
}

TEST_F(Load, AHostWithoutMessagingStillGetsItsPatches) {
    sim::Host host;
    host.offerMessaging = false;
    EXPECT_TRUE(OBSEPlugin_Load(&host.record));
    EXPECT_EQ(0, host.registerCalls);
    EXPECT_EQ(22, JumpsInstalled());
}

} // namespace
