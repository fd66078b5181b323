#include "tools/sim/scenario/scenario_run.h"

#include <strings.h>

#include "platform/platform.h"
#include "settings/settings.h"

#include "body/draw_visibility.h"
#include "entry/plugin_entry.h"
#include "sim/sim_host.h"
#include "tools/sim/scenario/game_folder.h"
#include "tools/sim/scenario/game_values.h"
#include "tools/sim/scenario/interface_values.h"
#include "view/view_state.h"

namespace simtool {

namespace {

// A frame's time at 60 frames a second.
constexpr uint32_t kFrameMilliseconds = 16;

} // namespace

std::vector<std::string> RunResult::Problems() const {
    std::vector<std::string> lines = failures;
    for (const ExpectationMiss& m : misses) {
        lines.push_back(m.place + ": wanted " + m.want.dump() + ", got " + m.got.dump());
    }
    return lines;
}

std::string WithSetting(const std::string& settings, const std::string& key,
                        const std::string& value) {
    const std::string line = key + "=" + value + "\r\n";
    // Behind the first line that is the [Main] header (its case and blanks do
    // not matter to the reader).
    size_t at = 0;
    while (at < settings.size()) {
        size_t end = settings.find_first_of("\r\n", at);
        if (end == std::string::npos) {
            end = settings.size();
        }
        std::string header = settings.substr(at, end - at);
        header.erase(0, header.find_first_not_of(" \t"));
        std::string name;
        if (!header.empty() && header[0] == '[' && header.find(']') != std::string::npos) {
            name = header.substr(1, header.find(']') - 1);
            name.erase(0, name.find_first_not_of(" \t"));
            name.erase(name.find_last_not_of(" \t") + 1);
        }
        size_t next = end;
        while (next < settings.size() && (settings[next] == '\r' || settings[next] == '\n')) {
            ++next;
            if (settings[next - 1] == '\n') {
                break;
            }
        }
        if (strcasecmp(name.c_str(), kSettingsSection) == 0) {
            std::string text = settings;
            if (next == end) {
                text.insert(next, "\r\n");
                next += 2;
            }
            return text.insert(next, line);
        }
        at = next > at ? next : at + 1;
    }
    return settings + "\r\n[Main]\r\n" + line;
}

void RecordFrames(Scenario* scenario, int frames) {
    const std::string value = std::to_string(frames);
    scenario->settings = WithSetting(scenario->settings, "iRecordFrames", value);
    for (Step& step : scenario->steps) {
        if (step.rewritesSettings) {
            step.settings = WithSetting(step.settings, "iRecordFrames", value);
        }
    }
}

RunResult RunScenario(const Scenario& scenario, const std::vector<FrameObserver*>& observers,
                      const RunEnd& atEnd) {
    // The game's clock goes on by a frame's time at each frame, the same on
    // every system (the settings watch looks at it).
    PlatformSetClock(0);
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
    game.frameOrder = scenario.frameOrder;
    sim::Host host;
    PluginInfo info;
    if (!OBSEPlugin_Query(&host.record, &info) || !OBSEPlugin_Load(&host.record)) {
        result.failures.push_back("the plug-in refused to load");
    }
    // Plug-ins loaded after Lumenfold write at their load, before the host's
    // first message.
    PlatformForgetCodeNames();
    for (sim::OtherPlugin other : scenario.otherPlugins) {
        sim::InstallOtherPlugin(other);
    }
    host.Send(kMessagePostLoad);
    StartInterfaceRun(host);
    const sim::FrameLoad load = sim::StandardLoad(game);

    // A player takes a moment to write the settings file: the clock goes on
    // by the watch's interval at each rewrite, so that a plug-in watching the
    // file reads it at the step's first frame.
    uint32_t editingTime = 0;
    int stepIndex = 0;
    for (const Step& step : scenario.steps) {
        BeginStepMessages();
        for (const Setting& s : step.set) {
            ApplySetting(game, s);
        }
        if (step.rewritesSettings) {
            editingTime += kSettingsWatchInterval;
            if (!folder.WriteSettings(step.settings)) {
                result.failures.push_back(step.place + ".settings: cannot write the settings file");
            }
        }
        for (uint32_t type : step.hostMessages) {
            host.Send(type);
        }
        // The values the game changes inside the frames of the step, seen
        // by the observers as the game's own.
        FrameInfo frame = {result.frames, stepIndex, &step};
        const sim::StageHook stage = [&](sim::FrameStage s) {
            const std::vector<Setting>& values = step.during[static_cast<int>(s)];
            if (!values.empty()) {
                for (FrameObserver* o : observers) {
                    o->GameChanging(game, frame);
                }
                for (const Setting& value : values) {
                    ApplySetting(game, value);
                }
                for (FrameObserver* o : observers) {
                    o->GameChanged(game, frame);
                }
            }
            for (FrameObserver* o : observers) {
                o->AtStage(game, frame, s);
            }
        };
        for (int i = 0; i < step.frames; ++i) {
            frame = {result.frames, stepIndex, &step};
            game.ClearCalls();
            BeginFrameMessages();
            for (FrameObserver* o : observers) {
                o->BeforeFrame(game, frame);
            }
            PlatformSetClock(kFrameMilliseconds * static_cast<uint32_t>(result.frames) +
                             editingTime);
            game.drawPlace = step.drawPlace;
            sim::RunFrame(game, load, step.cameraSwitch, stage);
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
    if (atEnd) {
        atEnd(host, folder);
    }
    EndInterfaceRun();
    PlatformForgetCodeNames();
    PlatformUseRealClock();
    return result;
}

} // namespace simtool
