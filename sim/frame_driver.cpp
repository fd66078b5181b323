#include "sim/frame_driver.h"

#include <stdlib.h>
#include <string.h>

#include "patch/hook_sites.h"
#include "sim/cpu_state.h"

namespace sim {

namespace {

// The game's stack while it passes the sites, one for each depth of entry:
// aligned to 4 bytes, not 16. Roomy: what a scenario changes inside the
// game's own routines runs on it.
constexpr int kDepths = 4;
constexpr int kStackWords = 65536;
alignas(16) uint32_t g_stacks[kDepths][kStackWords];
int g_depth = 0;

void Enter(uint32_t site, const CpuState& in) {
    CpuState out;
    EnterSite(site, in, &out);
}

uint32_t Address(const void* p) {
    return reinterpret_cast<uint32_t>(p);
}

struct DrawSite {
    uint32_t site;
    uint32_t CpuState::*object;
};
const DrawSite kDrawSites[5] = {{LF_SITE_DRAW_A, &CpuState::eax},
                                {LF_SITE_DRAW_B, &CpuState::esi},
                                {LF_SITE_DRAW_C, &CpuState::edi},
                                {LF_SITE_DRAW_D, &CpuState::eax},
                                {LF_SITE_DRAW_E, &CpuState::esi}};

} // namespace

CpuState SiteRegisters() {
    CpuState s = {};
    const int depth = g_depth < kDepths ? g_depth : kDepths - 1;
    s.esp = reinterpret_cast<uint32_t>(&g_stacks[depth][kStackWords - 64]) + 4;
    s.eflags = kFlagsBase;
    return s;
}

void EnterSite(uint32_t site, const CpuState& in, CpuState* out) {
    if (g_depth + 1 >= kDepths) {
        abort(); // deeper than any game passes its sites
    }
    uint32_t outer[3];
    memcpy(outer, SimProbeEntryState, sizeof outer);
    ++g_depth;
    SimEnterSite(&in, out, site);
    --g_depth;
    memcpy(SimProbeEntryState, outer, sizeof outer);
}

FrameLoad StandardLoad(Game& game) {
    FrameLoad load;
    load.actors = {game.others[0], game.others[1]};
    load.draws = {game.playerDraws[0], game.otherDraws[0], game.playerDraws[1], game.otherDraws[1]};
    return load;
}

void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch,
              const StageHook& stage) {
    const auto at = [&stage](FrameStage s) {
        if (stage) {
            stage(s);
        }
    };
    // The stages inside the game's own routines, for this frame.
    auto& pass = game.onCall[static_cast<int>(Routine::ScenePassRoutine)];
    auto& update = game.onCall[static_cast<int>(Routine::UpdateAnimationRecord)];
    const auto ownPass = pass;
    const auto ownUpdate = update;
    if (stage) {
        pass = [&](const CallRecord& c) {
            if (ownPass) {
                ownPass(c);
            }
            stage(FrameStage::ShadowPass);
        };
        update = [&](const CallRecord& c) {
            if (ownUpdate) {
                ownUpdate(c);
            }
            if (c.receiver == &game.bodyAnim->rec) {
                stage(FrameStage::Update);
            }
        };
    }

    game.PlaceRoots();
    CpuState in = SiteRegisters();
    in.ecx = Address(game.player); // the frame routine's receiver
    Enter(LF_SITE_FRAME_START, in);

    if (cameraSwitch != CameraSwitch::None) {
        at(FrameStage::Switch);
    }
    switch (cameraSwitch) {
    case CameraSwitch::Decide:
        Enter(LF_SITE_SWITCH_DECIDE, SiteRegisters());
        break;
    case CameraSwitch::Sitting:
        Enter(LF_SITE_SWITCH_SIT_A, SiteRegisters());
        break;
    case CameraSwitch::Death:
        Enter(LF_SITE_SWITCH_DEATH, SiteRegisters());
        break;
    case CameraSwitch::None:
        break;
    }

    at(FrameStage::Camera);
    in = SiteRegisters();
    in.eax = Address(CameraNodePointer()); // the game's camera node, if it has one
    Enter(LF_SITE_HEAD_CAMERA, in);
    Game::UpdateTree(&game.camera->node);

    at(FrameStage::Body);
    in = SiteRegisters();
    if ((game.Missing() & kMissingPlayer) == 0) {
        in.ebp = Address(&game.player->obj);
        in.ecx = Address(&game.bodyAnim->rec);
        Enter(LF_SITE_BODY_PASS, in);
    }
    for (Actor* a : load.actors) {
        in.ebp = Address(a->object);
        in.ecx = Address(&a->record->rec);
        Enter(LF_SITE_BODY_PASS, in);
    }

    at(FrameStage::Draws);
    for (size_t i = 0; i < load.draws.size(); ++i) {
        const DrawSite& d = kDrawSites[i % 5];
        in = SiteRegisters();
        in.*d.object = Address(&load.draws[i]->obj);
        Enter(d.site, in);
    }

    at(FrameStage::Shadow);
    Enter(LF_SITE_SHADOW_PASS, SiteRegisters());
    if (stage) {
        pass = ownPass;
        update = ownUpdate;
    }
}

} // namespace sim
