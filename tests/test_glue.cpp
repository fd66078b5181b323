// Every glue kind proven by running it: a test enters the patched site with
// chosen registers, flags, stack and x87 values, and a probe at the resume
// address the glue reached reports what the game would find there.
#include <string.h>

#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "entry/plugin_interface.h"
#include "patch/load_sequence.h"
#include "sim/cpu_state.h"
#include "tests/fixture.h"

namespace {

using sim::CpuState;
using sim::Routine;

constexpr uint32_t kOneBits = 0x3F800000u; // 1.0f
enum Replayed { kFrameStart = 0, kCameraSwitch = 1, kScenePass = 2 };

class Glue : public GameTest {
  protected:
    Glue() {
        InstallLoadPatches();
        InstallLateHook();
        memset(stack_, 0, sizeof stack_);
        for (int r = 0; r < 3; ++r) {
            SimReplayOutput[r][0] = 0x0A0A0000u + r;
            SimReplayOutput[r][1] = 0x0C0C0000u + r;
            SimReplayOutput[r][2] = 0x0D0D0000u + r;
        }
    }
    // The game's stack at a site: aligned to 4 bytes but not to 16.
    uint32_t Esp() { return reinterpret_cast<uint32_t>(&stack_[1024]) + 4; }
    uint32_t& StackWord(uint32_t offset) { return *reinterpret_cast<uint32_t*>(Esp() + offset); }
    CpuState In() {
        CpuState s = {};
        s.eax = 0xA1A1A1A1;
        s.ecx = 0xC2C2C2C2;
        s.edx = 0xD3D3D3D3;
        s.ebx = 0xB4B4B4B4;
        s.ebp = 0xE5E5E5E5;
        s.esi = 0x56565656;
        s.edi = 0xD7D7D7D7;
        s.esp = Esp();
        s.eflags = sim::kFlagsBase;
        s.x87Depth = 2; // values the game keeps on the x87 stack across the site
        s.x87[0] = 1.5f;
        s.x87[1] = -2.5f;
        return s;
    }
    CpuState Enter(uint32_t site, const CpuState& in) {
        CpuState out = {};
        EXPECT_NE(0u, in.esp % 16); // the game keeps only 4-byte alignment
        SimEnterSite(&in, &out, site);
        return out;
    }
    static void ExpectX87Kept(const CpuState& in, const CpuState& out) {
        ASSERT_EQ(in.x87Depth, out.x87Depth);
        for (uint32_t i = 0; i < in.x87Depth; ++i) {
            EXPECT_EQ(in.x87[i], out.x87[i]);
        }
    }
    // The callee-saved registers and the stack pointer, as they were.
    static void ExpectPreserved(const CpuState& in, const CpuState& out) {
        EXPECT_EQ(in.ebx, out.ebx);
        EXPECT_EQ(in.esi, out.esi);
        EXPECT_EQ(in.edi, out.edi);
        EXPECT_EQ(in.ebp, out.ebp);
        EXPECT_EQ(in.esp, out.esp);
    }
    static void ExpectAllPreserved(const CpuState& in, const CpuState& out) {
        ExpectPreserved(in, out);
        EXPECT_EQ(in.eax, out.eax);
        EXPECT_EQ(in.ecx, out.ecx);
        EXPECT_EQ(in.edx, out.edx);
    }
    static void ExpectReplayedOutputs(Replayed r, const CpuState& out) {
        EXPECT_EQ(SimReplayOutput[r][0], out.eax);
        EXPECT_EQ(SimReplayOutput[r][1], out.ecx);
        EXPECT_EQ(SimReplayOutput[r][2], out.edx);
    }

    alignas(16) uint32_t stack_[2048];
};

TEST_F(Glue, FrameStartReplaysTheRoutineThenResetsTheFrame) {
    Player()->ThirdPerson = 1;
    ForcedBodyMode = 1;
    const CpuState in = In();
    const CpuState out = Enter(LF_SITE_FRAME_START, in);
    EXPECT_EQ(uint32_t(LF_RESUME_FRAME_START), out.resume);
    ASSERT_EQ(1, Calls(Routine::FrameStartRoutine));
    const sim::CallRecord* call = game.CallOf(Routine::FrameStartRoutine, 0);
    EXPECT_EQ(in.ecx, reinterpret_cast<uint32_t>(call->receiver));
    EXPECT_EQ(1u, call->watched[2]); // the routine ran before the reset
    EXPECT_EQ(kForcedModeTentative, ForcedBodyMode);
    EXPECT_EQ(1, SavedThirdPerson);
    ExpectReplayedOutputs(kFrameStart, out); // what the routine left, untouched
    ExpectPreserved(in, out);
    ExpectX87Kept(in, out);
}

// With and without another plug-in using the interface (which the glue asks
// after the placement).
TEST_F(Glue, HeadCameraTakesTheCameraFromEaxAndKeepsEbx) {
    for (int32_t inUse : {0, 1}) {
        InterfaceInUse = inUse;
        Process()->SitState = kSitStateSeated;
        game.camera->node.LocalTranslation = {0, 0, 0};
        CpuState in = In();
        in.eax = reinterpret_cast<uint32_t>(&game.camera->node);
        const CpuState out = Enter(LF_SITE_HEAD_CAMERA, in);
        EXPECT_EQ(uint32_t(LF_RESUME_HEAD_CAMERA), out.resume);
        ExpectVectorNear({0, 14, 136}, game.camera->node.LocalTranslation); // the eye point
        ExpectPreserved(in, out);
        ExpectX87Kept(in, out);
    }
    InterfaceInUse = 0;
}

TEST_F(Glue, BodyPassHandsActorAndRecordAndKeepsEveryRegister) {
    CpuState in = In();
    in.ebp = reinterpret_cast<uint32_t>(Player());
    in.ecx = reinterpret_cast<uint32_t>(&game.bodyAnim->rec);
    CpuState out = Enter(LF_SITE_BODY_PASS, in);
    EXPECT_EQ(uint32_t(LF_RESUME_BODY_PASS), out.resume);
    ExpectAllPreserved(in, out);
    ExpectX87Kept(in, out);
    ASSERT_EQ(2, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.bodyAnim->rec, game.Call(0).receiver);
    EXPECT_EQ(kOneBits, game.Call(0).watched[1]); // the player's pass

    game.ClearCalls();
    in.ebp = reinterpret_cast<uint32_t>(game.others[0]->object);
    in.ecx = reinterpret_cast<uint32_t>(&game.others[0]->record->rec);
    out = Enter(LF_SITE_BODY_PASS, in);
    ExpectAllPreserved(in, out);
    ASSERT_EQ(1, Calls(Routine::UpdateAnimationRecord));
    EXPECT_EQ(&game.others[0]->record->rec, game.Call(0).receiver);
}

TEST_F(Glue, ActorBranchAddsThePlayerInTheBodyViewToTheGamesBranch) {
    struct Row {
        bool zero;
        bool player;
        int32_t saved, mode;
        uint32_t resume;
    } rows[] = {
        {true, false, 1, 0, LF_RESUME_ACTOR_BRANCH_TAKEN},
        {false, true, 0, 0, LF_RESUME_ACTOR_BRANCH_TAKEN},
        {false, false, 0, 0, LF_RESUME_ACTOR_BRANCH_NEXT},
        {false, true, 1, 0, LF_RESUME_ACTOR_BRANCH_NEXT},
        {false, true, 1, 2, LF_RESUME_ACTOR_BRANCH_TAKEN},
    };
    for (const Row& r : rows) {
        SavedThirdPerson = r.saved;
        ForcedBodyMode = r.mode;
        CpuState in = In();
        in.esi = reinterpret_cast<uint32_t>(r.player ? static_cast<void*>(Player())
                                                     : game.others[0]->object);
        if (r.zero) {
            in.eflags |= sim::kFlagZero;
        }
        const CpuState out = Enter(LF_SITE_ACTOR_BRANCH, in);
        EXPECT_EQ(r.resume, out.resume) << r.zero << r.player << r.saved << r.mode;
        ExpectPreserved(in, out);
        ExpectX87Kept(in, out);
        if (r.zero) {
            ExpectAllPreserved(in, out); // nothing was asked
        }
    }
}

TEST_F(Glue, ForcedModeSkipsTheLoadOrReplaysIt) {
    GameGlobal<float>(LF_ADDR_SKIPPED_LOAD_FLOAT) = 3.25f;
    for (int32_t mode : {1, 2}) {
        ForcedBodyMode = mode;
        const CpuState in = In();
        const CpuState out = Enter(LF_SITE_FORCED_SKIP, in);
        EXPECT_EQ(uint32_t(LF_RESUME_FORCED_SKIP_TAKEN), out.resume);
        ExpectAllPreserved(in, out);
        ExpectX87Kept(in, out);
    }
    ForcedBodyMode = 0;
    const CpuState in = In();
    const CpuState out = Enter(LF_SITE_FORCED_SKIP, in);
    EXPECT_EQ(uint32_t(LF_RESUME_FORCED_SKIP_NEXT), out.resume);
    ExpectAllPreserved(in, out);
    ASSERT_EQ(3u, out.x87Depth);
    EXPECT_EQ(3.25f, out.x87[0]);
    EXPECT_EQ(1.5f, out.x87[1]);
}

TEST_F(Glue, ExtraUpdateBranchReplaysThePopsAndIsTakenDuringExtraUpdates) {
    struct Row {
        bool zero;
        float flag;
        uint32_t resume;
    } rows[] = {{true, 0.0f, LF_RESUME_EXTRA_UPDATE_TAKEN},
                {false, 1.0f, LF_RESUME_EXTRA_UPDATE_TAKEN},
                {false, 0.0f, LF_RESUME_EXTRA_UPDATE_NEXT}};
    for (const Row& r : rows) {
        InExtraAnimUpdate = r.flag;
        StackWord(0) = 0x0E0E0E0E;
        StackWord(4) = 0x05050505;
        StackWord(8) = 0x0B0B0B0B;
        CpuState in = In();
        if (r.zero) {
            in.eflags |= sim::kFlagZero;
        }
        const CpuState out = Enter(LF_SITE_EXTRA_UPDATE, in);
        EXPECT_EQ(r.resume, out.resume) << r.zero << " " << r.flag;
        EXPECT_EQ(0x0E0E0E0Eu, out.edi);
        EXPECT_EQ(0x05050505u, out.esi);
        EXPECT_EQ(0x0B0B0B0Bu, out.ebx);
        EXPECT_EQ(in.esp + 12, out.esp);
        EXPECT_EQ(in.eax, out.eax);
        EXPECT_EQ(in.ecx, out.ecx);
        EXPECT_EQ(in.edx, out.edx);
        EXPECT_EQ(in.ebp, out.ebp);
        ExpectX87Kept(in, out);
    }
}

TEST_F(Glue, BodyPassArgumentPushesZeroWhileThePassRuns) {
    for (float flag : {1.0f, 0.0f}) {
        InBodyPassUpdate = flag;
        StackWord(LF_BODY_PASS_ARGUMENT_STACK_OFFSET) = 0xCAFEF00D;
        const CpuState in = In();
        const CpuState out = Enter(LF_SITE_BODY_PASS_ARGUMENT, in);
        const uint32_t pushed = flag != 0.0f ? 0u : 0xCAFEF00Du;
        EXPECT_EQ(uint32_t(LF_RESUME_BODY_PASS_ARGUMENT), out.resume);
        EXPECT_EQ(in.esp - 4, out.esp);
        EXPECT_EQ(pushed, *reinterpret_cast<uint32_t*>(out.esp));
        EXPECT_EQ(pushed, out.eax);
        EXPECT_EQ(in.edx, out.edx);
        EXPECT_EQ(in.ecx, out.ecx);
        EXPECT_EQ(in.ebx, out.ebx);
        ExpectX87Kept(in, out);
    }
}

TEST_F(Glue, ShownRecordSkipsOnlyForTheShownBodyRecord) {
    struct Row {
        bool bodyRecord;
        uint16_t bodyFlags, armsFlags;
        bool skipped;
    } rows[] = {{true, 0x0000, 0x0000, true},
                {true, 0x0002, 0x8000, true},
                {false, 0x0000, 0x0000, false},
                {true, 0x0001, 0x0000, false},
                {true, 0x0000, 0x0001, false}};
    for (const Row& r : rows) {
        Body()->Flags = r.bodyFlags;
        Arms()->Flags = r.armsFlags;
        StackWord(LF_SHOWN_RECORD_STACK_OFFSET) = 0xBEEF0018;
        CpuState in = In();
        in.esi = reinterpret_cast<uint32_t>(r.bodyRecord ? &game.bodyAnim->rec : &game.fpAnim->rec);
        const CpuState out = Enter(LF_SITE_SHOWN_RECORD, in);
        ExpectX87Kept(in, out);
        EXPECT_EQ(in.ecx, out.ecx);
        EXPECT_EQ(in.edx, out.edx);
        EXPECT_EQ(in.ebx, out.ebx);
        EXPECT_EQ(in.esi, out.esi);
        if (r.skipped) {
            EXPECT_EQ(uint32_t(LF_RESUME_SHOWN_RECORD_TAKEN), out.resume);
            ExpectAllPreserved(in, out);
        } else {
            EXPECT_EQ(uint32_t(LF_RESUME_SHOWN_RECORD_NEXT), out.resume);
            EXPECT_EQ(in.esp - 4, out.esp);
            EXPECT_EQ(0xBEEF0018u, out.eax);
            EXPECT_EQ(0xBEEF0018u, *reinterpret_cast<uint32_t*>(out.esp));
        }
    }
}

TEST_F(Glue, DoubleDrawTakesTheObjectFromItsRegister) {
    struct Site {
        uint32_t site, resume;
        uint32_t CpuState::*reg;
    } sites[] = {{LF_SITE_DRAW_A, LF_RESUME_DRAW_A, &CpuState::eax},
                 {LF_SITE_DRAW_C, LF_RESUME_DRAW_C, &CpuState::edi},
                 {LF_SITE_DRAW_D, LF_RESUME_DRAW_D, &CpuState::eax},
                 {LF_SITE_DRAW_B, LF_RESUME_DRAW_B, &CpuState::esi},
                 {LF_SITE_DRAW_E, LF_RESUME_DRAW_E, &CpuState::esi}};
    for (const Site& s : sites) {
        for (bool player : {true, false}) {
            game.ClearCalls();
            CpuState in = In();
            in.*s.reg = reinterpret_cast<uint32_t>(player ? &game.playerDraws[0]->obj
                                                          : &game.otherDraws[0]->obj);
            const CpuState out = Enter(s.site, in);
            EXPECT_EQ(s.resume, out.resume);
            EXPECT_EQ(player ? 2 : 1, game.DrawCount()) << std::hex << s.site;
            ExpectPreserved(in, out);
            ExpectX87Kept(in, out);
        }
    }
}

TEST_F(Glue, DoubleDrawWithFlagByteSetsTheGamesLocalFirst) {
    for (auto [site, offset] :
         {std::pair<uint32_t, uint32_t>{LF_SITE_DRAW_B, LF_DRAW_B_FLAG_STACK_OFFSET},
          {LF_SITE_DRAW_E, LF_DRAW_E_FLAG_STACK_OFFSET}}) {
        StackWord(offset) = 0x11223344;
        StackWord(offset + 4) = 0x55667788;
        CpuState in = In();
        in.esi = reinterpret_cast<uint32_t>(&game.otherDraws[1]->obj);
        Enter(site, in);
        EXPECT_EQ(0x112233FFu, StackWord(offset)); // only the low byte
        EXPECT_EQ(0x55667788u, StackWord(offset + 4));
    }
}

TEST_F(Glue, CameraSwitchForceSetsTheModeAfterTheGamesSwitch) {
    for (auto [site, resume] :
         {std::pair<uint32_t, uint32_t>{LF_SITE_SWITCH_SIT_A, LF_RESUME_SWITCH_SIT_A},
          {LF_SITE_SWITCH_SIT_B, LF_RESUME_SWITCH_SIT_B},
          {LF_SITE_SWITCH_SIT_C, LF_RESUME_SWITCH_SIT_C},
          {LF_SITE_SWITCH_DEATH, LF_RESUME_SWITCH_DEATH}}) {
        for (int32_t before : {0, 2}) {
            game.ClearCalls();
            ForcedBodyMode = before;
            const CpuState in = In();
            const CpuState out = Enter(site, in);
            EXPECT_EQ(resume, out.resume);
            EXPECT_EQ(kForcedModeKeep, ForcedBodyMode);
            ASSERT_EQ(1, Calls(Routine::CameraSwitchRoutine));
            EXPECT_EQ(static_cast<uint32_t>(before), game.Call(0).watched[2]); // switch first
            EXPECT_EQ(in.ecx, game.Call(0).registers[1]);
            ExpectReplayedOutputs(kCameraSwitch, out);
            ExpectPreserved(in, out);
            ExpectX87Kept(in, out);
        }
    }
}

// While another plug-in holds the body view off: the forced switches keep
// their mode aside (the same registers kept), the player's objects are drawn
// once, as the game draws them, and no chase distance is kept.
TEST_F(Glue, WhileHeldTheSwitchesKeepTheirModeAsideAndTheDrawsAreTheGames) {
    BodyViewHeld = 1;
    for (auto [site, resume] :
         {std::pair<uint32_t, uint32_t>{LF_SITE_SWITCH_SIT_A, LF_RESUME_SWITCH_SIT_A},
          {LF_SITE_SWITCH_DEATH, LF_RESUME_SWITCH_DEATH}}) {
        HeldForcedMode = 0;
        const CpuState in = In();
        const CpuState out = Enter(site, in);
        EXPECT_EQ(resume, out.resume);
        EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
        EXPECT_EQ(kForcedModeKeep, HeldForcedMode);
        ExpectReplayedOutputs(kCameraSwitch, out);
        ExpectPreserved(in, out);
        ExpectX87Kept(in, out);
    }
    game.ClearCalls();
    CpuState in = In();
    in.eax = reinterpret_cast<uint32_t>(&game.playerDraws[0]->obj);
    CpuState out = Enter(LF_SITE_DRAW_A, in);
    EXPECT_EQ(uint32_t(LF_RESUME_DRAW_A), out.resume);
    EXPECT_EQ(1, game.DrawCount());
    ExpectPreserved(in, out);
    ChaseCameraDistance() = 100.0f;
    in = In();
    in.x87Depth = 1;
    in.x87[0] = 250.0f;
    out = Enter(LF_SITE_CHASE_A, in);
    EXPECT_EQ(0.0f, SavedChaseDistance);
    EXPECT_EQ(250.0f, ChaseCameraDistance());
}

TEST_F(Glue, CameraSwitchDecideMayClearTheMode) {
    ForcedBodyMode = 2;
    Process()->KnockoutState = 1;
    Settings.bFirstPersonKnockout = 0;
    const CpuState in = In();
    const CpuState out = Enter(LF_SITE_SWITCH_DECIDE, in);
    EXPECT_EQ(uint32_t(LF_RESUME_SWITCH_DECIDE), out.resume);
    EXPECT_EQ(kForcedModeNone, ForcedBodyMode);
    EXPECT_EQ(1, Calls(Routine::CameraSwitchRoutine));
    ExpectReplayedOutputs(kCameraSwitch, out);
    ExpectPreserved(in, out);
    ExpectX87Kept(in, out);
}

TEST_F(Glue, ChaseDistanceIsSavedBeforeTheGamesStore) {
    for (auto [site, resume] : {std::pair<uint32_t, uint32_t>{LF_SITE_CHASE_A, LF_RESUME_CHASE_A},
                                {LF_SITE_CHASE_B, LF_RESUME_CHASE_B},
                                {LF_SITE_CHASE_C, LF_RESUME_CHASE_C},
                                {LF_SITE_CHASE_D, LF_RESUME_CHASE_D}}) {
        ChaseCameraDistance() = 100.0f;
        SavedChaseDistance = 0.0f;
        CpuState in = In();
        in.x87Depth = 3; // the game's new distance on top
        in.x87[0] = 250.0f;
        in.x87[1] = 1.5f;
        in.x87[2] = -2.5f;
        const CpuState out = Enter(site, in);
        EXPECT_EQ(resume, out.resume);
        EXPECT_EQ(100.0f, SavedChaseDistance);
        EXPECT_EQ(250.0f, ChaseCameraDistance());
        ASSERT_EQ(2u, out.x87Depth);
        EXPECT_EQ(1.5f, out.x87[0]);
        EXPECT_EQ(-2.5f, out.x87[1]);
        ExpectAllPreserved(in, out);
    }
}

// With and without another plug-in using the interface (whose message of a
// change may follow the pass).
TEST_F(Glue, ShadowPassBracketsTheGamesPassAndKeepsItsResult) {
    for (int32_t inUse : {0, 1}) {
        InterfaceInUse = inUse;
        game.ClearCalls();
        game.player->shadowState = 1;
        game.player->codedState[kCodedStateScenePassA] = 1;
        Body()->Flags = 0x0100;
        WatchedMenuOpen = 1;
        const CpuState in = In();
        const CpuState out = Enter(LF_SITE_SHADOW_PASS, in);
        EXPECT_EQ(uint32_t(LF_RESUME_SHADOW_PASS), out.resume);
        ASSERT_EQ(1, Calls(Routine::ScenePassRoutine));
        const sim::CallRecord* pass = game.CallOf(Routine::ScenePassRoutine, 0);
        EXPECT_EQ(0x0101, pass->bodyRootFlags); // hidden during the pass
        EXPECT_EQ(in.ecx, pass->registers[1]);  // with the site's registers
        EXPECT_EQ(in.esi, pass->registers[6]);
        EXPECT_EQ(0x0100, Body()->Flags); // and the word back after it
        EXPECT_EQ(0, WatchedMenuOpen);
        ExpectReplayedOutputs(kScenePass, out);
        ExpectPreserved(in, out);
        ExpectX87Kept(in, out);
    }
    InterfaceInUse = 0;
}

// The pieces that stand in for game code calling nothing keep XMM0 to XMM7
// and MXCSR. During the head camera the simulated game's menu query also
// spoils every SSE register and MXCSR, so that the piece must restore them.
TEST_F(Glue, SseRegistersAndMxcsrSurviveThePiecesThatCallNothingOfTheGame) {
    game.onCall[static_cast<int>(Routine::IsMenuModeActive)] = [](const sim::CallRecord&) {
        const uint32_t junk[4] = {0xDEADBEEF, 0xDEADBEEF, 0xDEADBEEF, 0xDEADBEEF};
        const uint32_t mxcsr = SIM_CPU_DEFAULT_MXCSR;
        asm volatile("movups %0, %%xmm0\n\tmovups %0, %%xmm1\n\tmovups %0, %%xmm2\n\t"
                     "movups %0, %%xmm3\n\tmovups %0, %%xmm4\n\tmovups %0, %%xmm5\n\t"
                     "movups %0, %%xmm6\n\tmovups %0, %%xmm7\n\tldmxcsr %1"
                     :
                     : "m"(junk), "m"(mxcsr)
                     : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
    };
    Process()->SitState = kSitStateSeated; // the head camera places, with float work
    const uint32_t sites[] = {LF_SITE_HEAD_CAMERA, LF_SITE_ACTOR_BRANCH, LF_SITE_SHOWN_RECORD,
                              LF_SITE_CHASE_A,     LF_SITE_CHASE_B,      LF_SITE_CHASE_C,
                              LF_SITE_CHASE_D};
    for (uint32_t site : sites) {
        CpuState in = In();
        in.eax = reinterpret_cast<uint32_t>(&game.camera->node);
        in.esi = reinterpret_cast<uint32_t>(Player()); // the actor, or the record
        in.mxcsr = SIM_CPU_DEFAULT_MXCSR | 0x6000;     // rounding toward zero
        for (int r = 0; r < 8; ++r) {
            for (int k = 0; k < 4; ++k) {
                in.xmm[r][k] =
                    0x01010101u * static_cast<uint32_t>(r + 1) + static_cast<uint32_t>(k);
            }
        }
        const CpuState out = Enter(site, in);
        EXPECT_EQ(in.mxcsr, out.mxcsr) << std::hex << site;
        EXPECT_EQ(0, memcmp(in.xmm, out.xmm, sizeof in.xmm)) << std::hex << site;
    }
    EXPECT_GT(Calls(Routine::IsMenuModeActive), 0); // the spoiler ran
}

} // namespace
