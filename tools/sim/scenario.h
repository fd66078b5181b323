// Scenarios of the simulator: the settings as a user writes them, then steps
// that set game fields by their names, run frames and check expectations.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "sim/frame_driver.h"

namespace simtool {

struct Step {
    std::string place; // "steps[2]", for messages
    std::string note;
    nlohmann::json set = nlohmann::json::object();
    nlohmann::json expect = nlohmann::json::object();
    sim::CameraSwitch cameraSwitch = sim::CameraSwitch::None;
    std::vector<uint32_t> hostMessages;
    int frames = 1;
};

struct Scenario {
    std::string source; // the file name, for messages
    std::string description;
    std::string settings; // the settings file's text
    std::vector<Step> steps;
};

// A problem with a scenario, with the place it was found.
struct ScenarioError {
    std::string message;
};

// Reads and checks a scenario (names, types, ranges); on a problem returns
// false with a message that names the file and the place.
bool LoadScenario(const std::string& path, Scenario* scenario, ScenarioError* error);
bool ParseScenario(const std::string& text, const std::string& source, Scenario* scenario,
                   ScenarioError* error);

// One frame's picture data.
struct FramePoint {
    int frame;
    int step;
    std::string state;
    float camera[3];
    float eye[3];
    float body[3];
};

struct RunResult {
    int frames = 0;
    std::vector<std::string> failures; // expectations that did not hold
    std::vector<FramePoint> points;
};

// Runs a scenario in a fresh simulated game with the plug-in loaded through
// its entries; writes one JSON line per frame to `trace`.
RunResult RunScenario(const Scenario& scenario, std::ostream& trace);

} // namespace simtool
