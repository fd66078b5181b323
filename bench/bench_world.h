// The world of the benchmark and of the instruction counts: the standard rig,
// 50 other actors whose records the game updates, and 200 draw objects (4 of
// them the player's) across the five draw sites; and the registers the game's
// code holds when it enters a site.
#pragma once

#include <stdint.h>

#include "sim/cpu_state.h"
#include "sim/frame_driver.h"

namespace bench {

constexpr int kOtherActors = 50;
constexpr int kDrawObjects = 200;
constexpr int kPlayerDraws = 4;

inline sim::FrameLoad BuildLoad(sim::Game& game) {
    // The sites inside the game's record updates are entered through the
    // simulated game's harness from inside a routine, which callgrind's
    // count of the measured loop cannot follow: the counts keep to the sites
    // that the frame itself passes.
    game.passUpdateSites = false;
    sim::FrameLoad load;
    for (int i = 0; i < kOtherActors; ++i) {
        load.actors.push_back(game.NewActor("Actor"));
    }
    for (int i = 0; i < kDrawObjects; ++i) {
        const bool player = i % (kDrawObjects / kPlayerDraws) == 0;
        load.draws.push_back(game.NewDraw(player ? static_cast<void*>(&game.player->obj)
                                                 : load.actors[i % kOtherActors]->object));
    }
    return load;
}

// The game's stack at a site: aligned to 4 bytes, not 16.
inline sim::CpuState SiteRegisters() {
    alignas(16) static uint32_t stack[1024];
    sim::CpuState s = {};
    s.esp = reinterpret_cast<uint32_t>(&stack[512]) + 4;
    s.eflags = sim::kFlagsBase;
    return s;
}

} // namespace bench
