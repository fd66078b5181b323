// The soak: random settings and a random game state in every frame, from a
// seed, run through the patched sites with every frame audited. A failing
// seed is written as a scenario file that `lumenfold-sim run FILE --audit`
// replays.
#pragma once

#include <stdint.h>

#include <ostream>
#include <string>

#include "sim/sim_game.h"

namespace simtool {

// The scenario of one seed: the settings file with every key at a random
// value, then `frames` steps of one frame each, each with a random state of
// every value the simulator can set, some objects missing now and then,
// camera switches and host messages.
std::string SoakScenario(uint64_t seed, int frames, sim::FrameOrder order = sim::FrameOrder::Game);

struct SoakOptions {
    uint64_t firstSeed = 1;
    int seeds = 100;
    int frames = 50;
    std::string outDir = "."; // where a failing seed's scenario is written
    // Every seed also recorded, and replayed from its recording alone in a
    // fresh game: every output of every frame must agree.
    bool replay = false;
    // Every row of the hook table passed, and every branch site taking both
    // of its outcomes, or the soak fails.
    bool everySite = false;
    // The frames' order: the game's own, or the plug-in's design's words.
    sim::FrameOrder frameOrder = sim::FrameOrder::Game;
};

// Runs every seed; reports each failing one (its seed, its problems, the
// scenario file written) and returns how many failed.
int RunSoak(const SoakOptions& options, std::ostream& out, std::ostream& err);

// The count of every site passed in this process, one line a row of the hook
// table; false when `everySite` asks for every site and one was never passed
// or a branch site never took one of its outcomes (each said on `err`).
bool SitesReport(bool everySite, std::ostream& out, std::ostream& err);

} // namespace simtool
