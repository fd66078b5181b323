#include "sim/node_walk.h"

#include "sim/sim_game.h"

namespace sim {

namespace {

// The walk each node was last visited by: a node is visited once per walk
// even where the links reach it twice.
uint32_t g_walk = 0;

struct Level {
    SceneNode* node;
    int next; // the next child to go into
};

} // namespace

WalkEnd WalkDown(SceneNode* start, WalkVisit visit, void* context) {
    if (start == nullptr) {
        return WalkEnd::Whole;
    }
    if (++g_walk == 0) {
        ++g_walk; // 0 is no walk's
    }
    Level levels[kMaxNodeDepth];
    int depth = 0;
    int visited = 1;
    bool bounded = false;
    reinterpret_cast<Node*>(start)->walkMark = g_walk;
    if (visit(start, nullptr, 0, context)) {
        return WalkEnd::Stopped;
    }
    levels[0] = Level{start, 0};
    while (depth >= 0) {
        Level& level = levels[depth];
        const int count = level.node->ChildCount < kMaxChildren ? level.node->ChildCount
                                                                : kMaxChildren;
        if (level.next >= count) {
            --depth;
            continue;
        }
        SceneNode* child = level.node->Children[level.next++];
        if (child == nullptr || reinterpret_cast<Node*>(child)->walkMark == g_walk) {
            continue;
        }
        if (depth + 1 >= kMaxNodeDepth || visited >= kMostWalkedNodes) {
            bounded = true;
            continue;
        }
        reinterpret_cast<Node*>(child)->walkMark = g_walk;
        ++visited;
        if (visit(child, level.node, depth + 1, context)) {
            return WalkEnd::Stopped;
        }
        levels[++depth] = Level{child, 0};
    }
    return bounded ? WalkEnd::Bounded : WalkEnd::Whole;
}

bool IsUnder(const SceneNode* n, const SceneNode* ancestor, bool* bounded) {
    if (bounded != nullptr) {
        *bounded = false;
    }
    int depth = 0;
    for (const SceneNode* p = n; p != nullptr; p = p->Parent, ++depth) {
        if (p == ancestor) {
            return true;
        }
        if (depth >= kMaxNodeDepth) {
            if (bounded != nullptr) {
                *bounded = true;
            }
            return false;
        }
    }
    return false;
}

} // namespace sim
