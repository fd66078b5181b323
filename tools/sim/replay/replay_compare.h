// Comparing the frame the plug-in recorded in a replay with the frame the
// recording holds, event by event: the objects through the replay's map of
// the recorded game, floats bit for bit or within a tolerance. The first
// difference is told with both values, and with the game values that fed
// the entry it is in.
#pragma once

#include <string>
#include <vector>

#include "tools/sim/replay/recording_read.h"
#include "tools/sim/replay/replay_world.h"

namespace simtool {

struct FrameComparison {
    std::string difference; // empty: the frames agree
    std::vector<std::string> fedBy;
};

// `withView`: the view state the frame began with is compared too (the
// first frame of a replay takes it from the recording). `withValues`: the
// game values noted are compared too, which a recording of an older format
// notes at other places than this plug-in does (its frames are then compared
// by what the plug-in did: its decisions, queries, calls, writes and view).
FrameComparison CompareFrames(const RecordedFrame& recorded, const RecordedFrame& replayed,
                              const World& world, double tolerance, bool withView,
                              bool withValues = true);

// What an event of the recording says, in words ("BodyRoot.LocalTranslation
// = (1, 2, 3)"), with the recording's own objects named through `world`.
std::string DescribeEvent(const RecordedEvent& e, const World& world);

// The game values of events [from, to) in words, at most a screenful.
std::vector<std::string> InputsOf(const std::vector<RecordedEvent>& events, size_t from, size_t to,
                                  const World& world);

} // namespace simtool
