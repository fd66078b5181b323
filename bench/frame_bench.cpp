// The plug-in's cost per frame in the simulated game, under a realistic
// load: the player and 50 other actors at the body-pass site, 200 draw
// objects across the five draw sites (4 of them the player's), the shadow
// bracket. Each case runs once with the plug-in's patches and once with the
// game's own code at the sites. For a foreign draw object or actor the two
// are the same work, and the difference is the plug-in's share; a whole
// frame is mostly the harness's entries into the sites, and without the
// plug-in the game's code there takes other paths, so its pair does not
// isolate the share (the instruction counts do). A whole frame runs once
// more with the plug-in recording its last 600 frames.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_world.h"
#include "patch/hook_sites.h"
#include "patch/hook_table.h"
#include "patch/load_sequence.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "sim/cpu_state.h"
#include "sim/frame_driver.h"
#include "tests/alloc_counter.h"
#include "view/view_state.h"

namespace {

struct World {
    World() : load(bench::BuildLoad(game)) {
        SetDefaultSettings();
        ResetViewState();
    }
    // With `on` false the game's record updates do no scene-graph work, so
    // that what remains of the difference is the plug-in's own code.
    void SkeletonUpdates(bool on) {
        if (skeletons.empty()) {
            for (sim::AnimRecord* r : Records()) {
                skeletons.push_back(r->skeleton);
            }
        }
        std::vector<sim::AnimRecord*> records = Records();
        for (size_t i = 0; i < records.size(); ++i) {
            records[i]->skeleton = on ? skeletons[i] : nullptr;
        }
    }
    std::vector<sim::AnimRecord*> Records() {
        std::vector<sim::AnimRecord*> r = {game.bodyAnim, game.fpAnim};
        for (sim::Actor* a : load.actors) {
            r.push_back(a->record);
        }
        return r;
    }
    void Patched(bool on) {
        sim::InstallGameCode(); // the game's own bytes at every site
        if (on) {
            InstallLoadPatches();
            InstallLateHook();
        }
    }
    sim::Game game;
    sim::FrameLoad load;
    std::vector<sim::Node*> skeletons;
};

World& TheWorld() {
    static World* w = new World();
    return *w;
}

void Report(benchmark::State& state, long allocations) {
    state.counters["allocs_per_iteration"] =
        static_cast<double>(allocations) / static_cast<double>(state.iterations());
}

// A whole frame: with the plug-in (1) or the game alone (0), with the game's
// skeleton updates (1) or without (0).
void BM_Frame(benchmark::State& state) {
    World& w = TheWorld();
    w.Patched(state.range(0) != 0);
    w.SkeletonUpdates(state.range(1) != 0);
    const long before = AllocationCount();
    for (auto _ : state) {
        w.game.ClearCalls();
        sim::RunFrame(w.game, w.load, sim::CameraSwitch::None);
    }
    Report(state, AllocationCount() - before);
}
BENCHMARK(BM_Frame)->ArgsProduct({{0, 1}, {1, 0}})->ArgNames({"plugin", "skeletons"});

// A whole frame with the plug-in recording, as with iRecordFrames=600: its
// cost beside BM_Frame/plugin:1, and the bytes kept per frame.
void BM_FrameRecording(benchmark::State& state) {
    constexpr int32_t kRecordedFrames = 600;
    World& w = TheWorld();
    Settings.iRecordFrames = kRecordedFrames;
    ReserveRecording(kRecordedFrames, 0, 0);
    w.Patched(true); // the recording glue, as a load with the key set writes it
    w.SkeletonUpdates(state.range(0) != 0);
    const long before = AllocationCount();
    for (auto _ : state) {
        w.game.ClearCalls();
        sim::RunFrame(w.game, w.load, sim::CameraSwitch::None);
    }
    Report(state, AllocationCount() - before);
    const uint32_t frames =
        WriteRecording(nullptr, nullptr) - RecordingHeaderSize(kSettingsKeyCount);
    state.counters["recorded_bytes_per_frame"] =
        static_cast<double>(frames) / static_cast<double>(RecordedFrameCount());
    ReserveRecording(0, 0, 0);
    Settings.iRecordFrames = 0;
}
BENCHMARK(BM_FrameRecording)->Arg(1)->Arg(0)->ArgName("skeletons");

// Enters one site again and again with the same registers.
void EnterRepeatedly(benchmark::State& state, World& w, const sim::CpuState& in, uint32_t site) {
    sim::CpuState out;
    const long before = AllocationCount();
    for (auto _ : state) {
        w.game.ClearCalls();
        SimEnterSite(&in, &out, site);
    }
    Report(state, AllocationCount() - before);
}

// One foreign object at a draw site.
void BM_ForeignDraw(benchmark::State& state) {
    World& w = TheWorld();
    w.Patched(state.range(0) != 0);
    w.SkeletonUpdates(true);
    sim::CpuState in = bench::SiteRegisters();
    in.eax = reinterpret_cast<uint32_t>(&w.game.otherDraws[0]->obj);
    EnterRepeatedly(state, w, in, LF_SITE_DRAW_A);
}
BENCHMARK(BM_ForeignDraw)->Arg(0)->Arg(1)->ArgName("plugin");

// One foreign actor at the body-pass site.
void BM_ForeignBodyPass(benchmark::State& state) {
    World& w = TheWorld();
    w.Patched(state.range(0) != 0);
    w.SkeletonUpdates(true);
    sim::CpuState in = bench::SiteRegisters();
    in.ebp = reinterpret_cast<uint32_t>(w.load.actors[0]->object);
    in.ecx = reinterpret_cast<uint32_t>(&w.load.actors[0]->record->rec);
    EnterRepeatedly(state, w, in, LF_SITE_BODY_PASS);
}
BENCHMARK(BM_ForeignBodyPass)->Arg(0)->Arg(1)->ArgName("plugin");

} // namespace

BENCHMARK_MAIN();
