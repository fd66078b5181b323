// The work that callgrind counts for the repeatable figures of the README:
// whole frames of the benchmark's world, one foreign draw object at a draw
// site, and one foreign actor at the body-pass site, each many times inside
// Measure() (callgrind counts only there; scripts/count-instructions.sh sums
// the instructions of the plug-in's own functions and divides).
//   lumenfold_count frame|draw|actor COUNT
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench/bench_world.h"
#include "patch/hook_sites.h"
#include "patch/load_sequence.h"
#include "settings/settings.h"
#include "sim/cpu_state.h"
#include "sim/frame_driver.h"
#include "view/view_state.h"

namespace {

enum class Work { Frame, Draw, Actor };

// The loop that callgrind counts.
__attribute__((noinline)) void Measure(Work work, int count, sim::Game& game,
                                       const sim::FrameLoad& load) {
    sim::CpuState in = bench::SiteRegisters(), out;
    if (work == Work::Draw) {
        in.eax = reinterpret_cast<uint32_t>(&game.otherDraws[0]->obj);
    } else if (work == Work::Actor) {
        in.ebp = reinterpret_cast<uint32_t>(load.actors[0]->object);
        in.ecx = reinterpret_cast<uint32_t>(&load.actors[0]->record->rec);
    }
    for (int i = 0; i < count; ++i) {
        game.ClearCalls();
        switch (work) {
        case Work::Frame:
            sim::RunFrame(game, load, sim::CameraSwitch::None);
            break;
        case Work::Draw:
            SimEnterSite(&in, &out, LF_SITE_DRAW_A);
            break;
        case Work::Actor:
            SimEnterSite(&in, &out, LF_SITE_BODY_PASS);
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: lumenfold_count frame|draw|actor COUNT\n");
        return 2;
    }
    const Work work = strcmp(argv[1], "frame") == 0  ? Work::Frame
                      : strcmp(argv[1], "draw") == 0 ? Work::Draw
                                                     : Work::Actor;
    SetDefaultSettings();
    ResetViewState();
    sim::Game game;
    const sim::FrameLoad load = bench::BuildLoad(game);
    InstallLoadPatches();
    InstallLateHook();
    Measure(work, atoi(argv[2]), game, load);
    return 0;
}
