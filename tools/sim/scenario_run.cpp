#include "tools/sim/scenario_run.h"

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "sim/sim_host.h"
#include "tools/sim/game_folder.h"
#include "tools/sim/game_values.h"
#include "view/view_state.h"

namespace simtool {

std::vector<std::string> RunResult::Problems() const {
    std::vector<std::string> lines = failures;
    for (const ExpectationMiss& m : misses) {
        lines.push_back(m.place + ": wanted " + m.want.dump() + ", got " + m.got.dump());
    }
    return lines;
}

RunResult RunScenario(const Scenario& scenario, const std::vector<FrameObserver*>& observers) {
    RunResult result;
    GameFolder folder;
    if (!folder.Made() || !folder.WriteSettings(scenario.settings)) {
        result.failures.push_back("cannot make a temporary game folder with the settings file");
        return result;
    }
    // The plug-in's state as at the start of the process.
    ResetViewState();
    ResetShadowBracket();

    sim::Game game;
    sim::Host host;
    PluginInfo info;
    if (!OBSEPlugin_Query(&host.record, &info) || !OBSEPlugin_Load(&host.record)) {
        result.failures.push_back("the plug-in refused to load");
    }
    host.Send(kMessagePostLoad);
    const sim::FrameLoad load = sim::StandardLoad(game);

    int stepIndex = 0;
    for (const Step& step : scenario.steps) {
        for (const Setting& s : step.set) {
            ApplySetting(game, s);
        }
        if (step.rewritesSettings && !folder.WriteSettings(step.settings)) {
            result.failures.push_back(step.place + ".settings: cannot write the settings file");
        }
        for (uint32_t type : step.hostMessages) {
            host.Send(type);
        }
        for (int i = 0; i < step.frames; ++i) {
            const FrameInfo frame = {result.frames, stepIndex, &step};
            game.ClearCalls();
            for (FrameObserver* o : observers) {
                o->BeforeFrame(game, frame);
            }
            sim::RunFrame(game, load, step.cameraSwitch);
            for (FrameObserver* o : observers) {
                o->AfterFrame(game, frame);
            }
            ++result.frames;
        }
        for (const auto& [name, want] : step.expect) {
            const json got = Observe(game, name);
            if (!Matches(want, got)) {
                result.misses.push_back({step.place + ".expect." + name, want, got});
            }
        }
        ++stepIndex;
    }
    return result;
}

} // namespace simtool
