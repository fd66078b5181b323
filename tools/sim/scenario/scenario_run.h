// Running a scenario: a fresh simulated game with the plug-in loaded through
// its entries, the settings file where the plug-in looks for it, and every
// step's values, messages, frames and expectations in turn.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/sim_game.h"
#include "sim/sim_host.h"
#include "tools/sim/scenario/scenario.h"

namespace simtool {

struct FrameInfo {
    int frame;        // counted over the whole run, from 0
    int step;         // index of the step
    const Step* what; // the step
};

// Sees every frame of a run: right before it (after the step's values and
// messages) and right after it; and around the values the game changes at
// a stage inside it.
class FrameObserver {
  public:
    virtual ~FrameObserver() = default;
    virtual void BeforeFrame(sim::Game&, const FrameInfo&) {}
    virtual void AfterFrame(sim::Game&, const FrameInfo&) {}
    virtual void GameChanging(sim::Game&, const FrameInfo&) {}
    virtual void GameChanged(sim::Game&, const FrameInfo&) {}
    // Every stage of the frame, as the plug-in finds the game there (after
    // the game's changes at that stage).
    virtual void AtStage(sim::Game&, const FrameInfo&, sim::FrameStage) {}
};

// An expectation of a step that the run did not meet.
struct ExpectationMiss {
    std::string place; // "steps[2].expect.ForcedBodyMode"
    json want;
    json got;
};

struct RunResult {
    int frames = 0;
    std::vector<std::string> failures; // problems of the run itself (the load, the folder)
    std::vector<ExpectationMiss> misses;
    // Every miss and failure as a line of the report: failures first.
    std::vector<std::string> Problems() const;
};

class GameFolder;

// Called after the last step, while the game and its folder still exist.
using RunEnd = std::function<void(sim::Host& host, const GameFolder& folder)>;

RunResult RunScenario(const Scenario& scenario, const std::vector<FrameObserver*>& observers,
                      const RunEnd& atEnd = nullptr);

// The settings text with `key` set to `value` ahead of anything the text
// says of it (the first key of a name counts).
std::string WithSetting(const std::string& settings, const std::string& key,
                        const std::string& value);

// The scenario with the plug-in recording its last `frames` frames, in the
// settings it loads with and in every rewrite of them.
void RecordFrames(Scenario* scenario, int frames);

} // namespace simtool
