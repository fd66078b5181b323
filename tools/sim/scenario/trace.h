// The trace of a run: one JSON line per frame with what a tuner wants to see
// (camera, eye point, both roots, clavicles, collapsed parts, view state,
// calls of the game's routines), and the few numbers the height picture
// needs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/sim/scenario/scenario_run.h"

namespace simtool {

class TraceWriter : public FrameObserver {
  public:
    explicit TraceWriter(std::ostream& out) : out_(out) {}
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;

  private:
    std::ostream& out_;
};

// One frame's numbers for the height picture.
struct FramePoint {
    int frame;
    int step;
    std::string state;
    float camera[3];
    float eye[3];
    float body[3];
};

class PointCollector : public FrameObserver {
  public:
    void AfterFrame(sim::Game& game, const FrameInfo& frame) override;
    std::vector<FramePoint> points;
};

} // namespace simtool
