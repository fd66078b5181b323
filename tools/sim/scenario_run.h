// Running a scenario: a fresh simulated game with the plug-in loaded through
// its entries, the settings file where the plug-in looks for it, and every
// step's values, messages, frames and expectations in turn.
#pragma once

#include <string>
#include <vector>

#include "sim/sim_game.h"
#include "tools/sim/scenario.h"

namespace simtool {

struct FrameInfo {
    int frame;        // counted over the whole run, from 0
    int step;         // index of the step
    const Step* what; // the step
};

// Sees every frame of a run: right before it (after the step's values and
// messages) and right after it.
class FrameObserver {
  public:
    virtual ~FrameObserver() = default;
    virtual void BeforeFrame(sim::Game&, const FrameInfo&) {}
    virtual void AfterFrame(sim::Game&, const FrameInfo&) {}
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

RunResult RunScenario(const Scenario& scenario, const std::vector<FrameObserver*>& observers);

} // namespace simtool
