// Scenarios of the simulator: the settings as a user writes them, then steps
// that set game values by their names, send host messages, run frames and
// check expectations. Reading one needs no game; running one makes a game of
// its own.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

#include "sim/frame_driver.h"
#include "sim/other_plugins.h"
#include "tools/sim/scenario/scenario_names.h"

namespace simtool {

struct Setting {
    std::string name;
    json value;
    SetTarget target; // the name taken apart
};

struct Step {
    std::string place; // "steps[2]", for messages
    std::string note;
    std::vector<Setting> set;
    std::vector<std::pair<std::string, json>> expect;
    sim::CameraSwitch cameraSwitch = sim::CameraSwitch::None;
    // Where the frame's draw sites run, in the game's order.
    sim::DrawPlace drawPlace = sim::DrawPlace::BeforeRendering;
    bool rewritesSettings = false; // the settings file is written anew before the messages
    std::string settings;
    std::vector<uint32_t> hostMessages;
    int frames = 1;
    // Values the game changes at a stage inside each frame of the step.
    std::vector<Setting> during[sim::kFrameStageCount];
};

struct Scenario {
    std::string source; // the file name, for messages
    std::string description;
    std::string settings; // the settings file's text
    sim::FrameOrder frameOrder = sim::FrameOrder::Game;
    // Other plug-ins loaded after Lumenfold that write at its places.
    std::vector<sim::OtherPlugin> otherPlugins;
    std::vector<Step> steps;
};

// A problem with a scenario, with the place it was found.
struct ScenarioError {
    std::string message;
};

// Reads and checks a scenario (structure, names, types, ranges); on a
// problem returns false with a message that names the file and the place.
// Any text at all may come in; nothing is thrown.
bool ParseScenario(const std::string& text, const std::string& source, Scenario* scenario,
                   ScenarioError* error);

// The most frames one step may ask for, and a whole run.
constexpr int kMaxFramesPerStep = 100000;
constexpr int kMostFramesPerRun = 100000;
// The largest scenario file read (one made from a recording of 3600 frames
// takes about 9 MB).
constexpr size_t kMostScenarioBytes = 32 * 1024 * 1024;

} // namespace simtool
