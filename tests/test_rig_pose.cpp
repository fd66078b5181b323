// The simulated game's animation: the body takes the pose of the player's
// state at the body pass, once a frame, and what the plug-in turns on top of
// it holds for that frame only.
#include <gtest/gtest.h>
#include <math.h>

#include <string>
#include <vector>

#include "sim/rig.h"
#include "sim/sim_game.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"

namespace {

// Where the bones are after each frame, against the body root.
struct Bones {
    Vector3 pelvis, head, leftKnee, rightKnee, leftFoot;
    float rightClavicleTurn; // about the clavicle's x axis, from its local rotation
};

class WatchBones : public simtool::FrameObserver {
  public:
    void AfterFrame(sim::Game& game, const simtool::FrameInfo&) override {
        const Vector3 root = game.bodyRoot->node.WorldTranslation;
        const auto at = [&](int bone) {
            const Vector3 w = game.bodyBones[bone]->node.WorldTranslation;
            return Vector3{w.x - root.x, w.y - root.y, w.z - root.z};
        };
        frames.push_back({at(sim::kBonePelvis), at(sim::kBoneHead), at(sim::kBoneLeftCalf),
                          at(sim::kBoneRightCalf), at(sim::kBoneLeftFoot),
                          -asinf(game.rClavicle->node.LocalRotation.m[2][1])});
    }
    std::vector<Bones> frames;
};

std::vector<Bones> BonesOverFrames(const char* text) {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    EXPECT_TRUE(simtool::ParseScenario(text, "pose.json", &scenario, &error)) << error.message;
    WatchBones watch;
    testing::internal::CaptureStdout();
    const simtool::RunResult result = simtool::RunScenario(scenario, {&watch});
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.failures.empty());
    EXPECT_TRUE(result.misses.empty());
    return watch.frames;
}

// Two frames of each state; the pose shows from the state's first body pass.
TEST(RigPose, EachStateTakesItsPoseAtTheBodyPassAndLeavesIt) {
    const std::vector<Bones> f = BonesOverFrames(R"({
      "settings": ["[Main]"],
      "steps": [
        {"frames": 1},
        {"set": {"process.SitState": 3, "player.ThirdPerson": 1}, "cameraSwitch": "sitting",
         "frames": 2},
        {"set": {"process.SitState": 8}, "frames": 2},
        {"set": {"process.SitState": 0, "process.KnockoutState": 1}, "cameraSwitch": "decide",
         "frames": 2},
        {"set": {"process.KnockoutState": 0, "player.ThirdPerson": 0, "player.Mount": 1,
                 "process.SitState": 4}, "frames": 2},
        {"set": {"player.Mount": 0, "process.SitState": 0}, "frames": 1}
      ]})");
    ASSERT_EQ(10u, f.size());
    const float eps = 1e-3f;
    // Standing: the pelvis at 60, the head at 130, the feet at 2.
    EXPECT_NEAR(60.0f, f[0].pelvis.z, eps);
    EXPECT_NEAR(130.0f, f[0].head.z, eps);
    EXPECT_NEAR(2.0f, f[0].leftFoot.z, eps);
    // Sitting: the pelvis a thigh lower, the knees forward at its height, the
    // feet on the ground.
    for (int i : {1, 2}) {
        EXPECT_NEAR(32.0f, f[i].pelvis.z, eps) << i;
        EXPECT_NEAR(28.0f, f[i].leftKnee.y - f[i].pelvis.y, eps) << i;
        EXPECT_NEAR(f[i].pelvis.z, f[i].leftKnee.z, eps) << i;
        EXPECT_NEAR(2.0f, f[i].leftFoot.z, eps) << i;
    }
    // Lying in a bed: head and pelvis at one height, the head toward -y.
    for (int i : {3, 4}) {
        EXPECT_NEAR(f[i].pelvis.z, f[i].head.z, eps) << i;
        EXPECT_NEAR(-70.0f, f[i].head.y - f[i].pelvis.y, eps) << i;
    }
    // Knocked out: flat on the ground, near the root, one knee up.
    for (int i : {5, 6}) {
        EXPECT_NEAR(f[i].pelvis.z, f[i].head.z, eps) << i;
        EXPECT_LT(f[i].pelvis.z, 20.0f) << i;
        EXPECT_GT(f[i].leftKnee.z, f[i].rightKnee.z + 10.0f) << i;
    }
    // Riding: seated, the knees apart.
    for (int i : {7, 8}) {
        EXPECT_NEAR(32.0f, f[i].pelvis.z, eps) << i;
        EXPECT_GT(f[i].rightKnee.x - f[i].leftKnee.x, 2 * 8.0f + 5.0f) << i;
    }
    // Back on the feet.
    EXPECT_NEAR(130.0f, f[9].head.z, eps);
    EXPECT_NEAR(2.0f, f[9].leftFoot.z, eps);
}

// The clavicles turned by the look angle (action 3 turns the right one by
// 0.35 of it): each frame's animation writes them anew, so the turn is the
// same every frame and does not add up.
TEST(RigPose, TheArmTurnIsTheSameEveryFrame) {
    const std::vector<Bones> f = BonesOverFrames(R"({
      "settings": ["[Main]", "bRotateThirdPersonArms=3"],
      "steps": [{"set": {"player.LookPitch": 0.5, "process.ActionState": 3}, "frames": 5}]})");
    ASSERT_EQ(5u, f.size());
    for (size_t i = 0; i < f.size(); ++i) {
        EXPECT_NEAR(0.35f * 0.5f, f[i].rightClavicleTurn, 1e-5f) << i;
    }
}

} // namespace
