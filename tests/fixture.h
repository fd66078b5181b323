// The common start of every test of the view and body logic: a fresh
// simulated game with its standard rig, default settings and a view state as
// at load.
#pragma once

#include <gtest/gtest.h>

#include "entry/plugin_interface.h"
#include "settings/settings.h"
#include "sim/sim_game.h"
#include "view/view_state.h"

class GameTest : public ::testing::Test {
  protected:
    GameTest() {
        SetDefaultSettings();
        ResetViewState();
        ResetInterface();
        game.Watch(0, &InExtraAnimUpdate);
        game.Watch(1, &InBodyPassUpdate);
        game.Watch(2, &ForcedBodyMode);
    }
    int Calls(sim::Routine r) const { return game.Calls(r); }
    PlayerObject* Player() { return &game.player->obj; }
    ProcessObject* Process() { return &game.process->obj; }
    SceneNode* Body() { return &game.bodyRoot->node; }
    SceneNode* Arms() { return &game.fpRoot->node; }
    void SetIdle(sim::AnimRecord* r, bool active) { r->idleAbsentResult = active ? 0 : 1; }

    sim::Game game;
};

inline bool Hidden(const SceneNode* n) {
    return (n->Flags & kNodeHiddenBit) != 0;
}

// Compares vectors to within `tolerance` per component.
inline void ExpectVectorNear(const Vector3& want, const Vector3& got, float tolerance = 1e-4f) {
    EXPECT_NEAR(want.x, got.x, tolerance);
    EXPECT_NEAR(want.y, got.y, tolerance);
    EXPECT_NEAR(want.z, got.z, tolerance);
}
inline void ExpectMatrixNear(const Matrix3& want, const Matrix3& got, float tolerance = 1e-6f) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(want.m[i][j], got.m[i][j], tolerance) << "element " << i << "," << j;
        }
    }
}
