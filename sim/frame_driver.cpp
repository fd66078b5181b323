#include "sim/frame_driver.h"

#include "patch/hook_sites.h"
#include "sim/cpu_state.h"

namespace sim {

namespace {

// The game's stack while it passes the sites: aligned to 4 bytes, not 16.
alignas(16) uint32_t g_stack[4096];

CpuState Registers() {
    CpuState s = {};
    s.esp = reinterpret_cast<uint32_t>(&g_stack[2048]) + 4;
    s.eflags = kFlagsBase;
    return s;
}

void Enter(uint32_t site, const CpuState& in) {
    CpuState out;
    SimEnterSite(&in, &out, site);
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

FrameLoad StandardLoad(Game& game) {
    FrameLoad load;
    load.actors = {game.others[0], game.others[1]};
    load.draws = {game.playerDraws[0], game.otherDraws[0], game.playerDraws[1], game.otherDraws[1]};
    return load;
}

void RunFrame(Game& game, const FrameLoad& load, CameraSwitch cameraSwitch) {
    game.PlaceRoots();
    CpuState in = Registers();
    in.ecx = Address(game.player); // the frame routine's receiver
    Enter(LF_SITE_FRAME_START, in);

    switch (cameraSwitch) {
    case CameraSwitch::Decide:
        Enter(LF_SITE_SWITCH_DECIDE, Registers());
        break;
    case CameraSwitch::Sitting:
        Enter(LF_SITE_SWITCH_SIT_A, Registers());
        break;
    case CameraSwitch::Death:
        Enter(LF_SITE_SWITCH_DEATH, Registers());
        break;
    case CameraSwitch::None:
        break;
    }

    in = Registers();
    in.eax = Address(CameraNodePointer()); // the game's camera node, if it has one
    Enter(LF_SITE_HEAD_CAMERA, in);
    Game::UpdateTree(&game.camera->node);

    in = Registers();
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

    for (size_t i = 0; i < load.draws.size(); ++i) {
        const DrawSite& d = kDrawSites[i % 5];
        in = Registers();
        in.*d.object = Address(&load.draws[i]->obj);
        Enter(d.site, in);
    }

    Enter(LF_SITE_SHADOW_PASS, Registers());
}

} // namespace sim
