// Walks of the scene graph that end whatever its links say: a replayed
// recording links nodes as its file says, into chains of any depth, cycles
// or nodes reached twice. A walk down visits each node once, no deeper than
// kMaxNodeDepth below its start and no more than kMostWalkedNodes of them; a
// walk up follows at most kMaxNodeDepth parents. Neither recurses nor
// allocates (the game's search runs inside the plug-in's frame).
#pragma once

#include <stdint.h>

#include "game/layout.h"

namespace sim {

// The deepest a walk goes, up or down (the game's skeletons are far
// shallower).
constexpr int kMaxNodeDepth = 256;
// The most nodes a walk down visits (the game's skeleton of an actor has a
// few hundred at most).
constexpr int kMostWalkedNodes = 4096;

enum class WalkEnd : uint8_t {
    Whole,   // every node below the start was visited
    Stopped, // the visit asked to stop
    Bounded, // a bound of depth or count left nodes unvisited
};

// One step of a walk down: the node, the node it hangs under (null for the
// start) and its depth below the start. Returns true to stop the walk.
using WalkVisit = bool (*)(SceneNode* node, SceneNode* parent, int depth, void* context);

// Visits `start` and every node below it through the children, in the order
// of the game's search (a node, then each child's subtree in turn).
WalkEnd WalkDown(SceneNode* start, WalkVisit visit, void* context);

template <typename F> WalkEnd WalkDown(SceneNode* start, F&& visit) {
    return WalkDown(
        start,
        [](SceneNode* node, SceneNode* parent, int depth, void* context) {
            return (*static_cast<F*>(context))(node, parent, depth);
        },
        &visit);
}

// Whether `ancestor` is `n` or among its parents; `bounded` (if given) says
// whether the walk gave up at kMaxNodeDepth parents without an end.
bool IsUnder(const SceneNode* n, const SceneNode* ancestor, bool* bounded = nullptr);

} // namespace sim
