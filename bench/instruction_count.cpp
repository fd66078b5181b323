// The work that callgrind counts for the repeatable figures of the README:
// whole frames of the benchmark's world, one foreign draw object at a draw
// site, and one foreign actor at the body-pass site, each many times inside
// Measure() (callgrind counts only there; scripts/count-instructions.sh sums
// the instructions of the plug-in's own functions and divides). With
// "recording" the plug-in keeps its last 600 frames, as a player's
// iRecordFrames=600 does, and the bytes it kept per frame are printed; with
// "watching" it watches the settings file, as bReloadSettingsOnChange=1 does.
//   lumenfold_count frame|draw|actor COUNT [recording|watching]
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bench/bench_world.h"
#include "patch/hook_sites.h"
#include "patch/load_sequence.h"
#include "record/frame_recorder.h"
#include "settings/settings.h"
#include "sim/cpu_state.h"
#include "sim/frame_driver.h"
#include "view/view_state.h"

namespace {

enum class Work { Frame, Draw, Actor };

// The recording's size of a player who asks for the last 600 frames.
constexpr int32_t kRecordedFrames = 600;

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
    const bool recording = argc == 4 && strcmp(argv[3], "recording") == 0;
    const bool watching = argc == 4 && strcmp(argv[3], "watching") == 0;
    if (argc != 3 && !recording && !watching) {
        fprintf(stderr, "usage: lumenfold_count frame|draw|actor COUNT [recording|watching]\n");
        return 2;
    }
    const Work work = strcmp(argv[1], "frame") == 0  ? Work::Frame
                      : strcmp(argv[1], "draw") == 0 ? Work::Draw
                                                     : Work::Actor;
    SetDefaultSettings();
    ResetViewState();
    sim::Game game;
    const sim::FrameLoad load = bench::BuildLoad(game);
    if (watching) {
        // The file's place known, as at load; the watch looks at it.
        ReadSettings();
        Settings.bReloadSettingsOnChange = 1;
    }
    if (recording) {
        // Reserved before the patches, as at load: the recording glue goes in.
        Settings.iRecordFrames = kRecordedFrames;
        ReserveRecording(kRecordedFrames, 0, 0);
    }
    InstallLoadPatches();
    InstallLateHook();
    const int count = atoi(argv[2]);
    Measure(work, count, game, load);
    if (recording && work == Work::Frame && RecordedFrameCount() > 0) {
        const uint32_t frames =
            WriteRecording(nullptr, nullptr) - RecordingHeaderSize(kSettingsKeyCount);
        printf("recorded bytes per frame: %u (room kept per frame: %u)\n",
               frames / static_cast<uint32_t>(RecordedFrameCount()), kRecordingBytesPerFrame);
    }
    return 0;
}
