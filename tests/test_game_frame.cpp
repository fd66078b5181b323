// The simulated game's frame in the game's own order: the frame start only
// inside changes of view, the player's two animation updates before the
// camera update, the extra-update branch at every node's world update with
// the collision objects it decides, and the view after the shadow pass, which
// the soak's view check holds to what the player must see.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/frame_driver.h"
#include "tools/sim/scenario/game_values.h"
#include "tools/sim/scenario/scenario.h"
#include "tools/sim/scenario/scenario_run.h"
#include "tools/sim/soak/view_check.h"
#include "view/view_state.h"

namespace {

using simtool::FrameInfo;
using simtool::FrameObserver;

// Runs a scenario's text with the observers; its problems come back.
std::vector<std::string> RunText(const std::string& text, const std::vector<FrameObserver*>& seen) {
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    EXPECT_TRUE(simtool::ParseScenario(text, "test.json", &scenario, &error)) << error.message;
    testing::internal::CaptureStdout();
    const simtool::RunResult result = simtool::RunScenario(scenario, seen);
    testing::internal::GetCapturedStdout();
    return result.Problems();
}

// Calls a function at the end of every frame, or at one stage of it.
class At : public FrameObserver {
  public:
    At(sim::FrameStage stage, std::function<void(sim::Game&, const FrameInfo&)> f)
        : stage_(stage), f_(std::move(f)) {}
    explicit At(std::function<void(sim::Game&, const FrameInfo&)> f)
        : stage_(sim::FrameStage::Count), f_(std::move(f)) {}
    void AtStage(sim::Game& g, const FrameInfo& frame, sim::FrameStage s) override {
        if (s == stage_) {
            f_(g, frame);
        }
    }
    void AfterFrame(sim::Game& g, const FrameInfo& frame) override {
        if (stage_ == sim::FrameStage::Count) {
            f_(g, frame);
        }
    }

  private:
    sim::FrameStage stage_;
    std::function<void(sim::Game&, const FrameInfo&)> f_;
};

TEST(GameFrame, TheFrameStartComesOnlyWithAChangeOfView) {
    std::vector<int> starts;
    At count([&starts](sim::Game& g, const FrameInfo&) {
        starts.push_back(g.Calls(sim::Routine::FrameStartRoutine));
    });
    const auto problems = RunText(R"({"steps": [
        {"frames": 2},
        {"set": {"player.ThirdPerson": 1}, "cameraSwitch": "direct"},
        {"cameraSwitch": "none"},
        {"set": {"player.ThirdPerson": 0}, "cameraSwitch": "view-key"},
        {"set": {"process.SitState": 3, "player.ThirdPerson": 1}, "cameraSwitch": "sitting"},
        {"frames": 2}]})",
                                  {&count});
    EXPECT_TRUE(problems.empty()) << problems[0];
    EXPECT_EQ((std::vector<int>{0, 0, 1, 0, 1, 1, 0, 0}), starts);
    // In the design's words it is the start of every frame.
    starts.clear();
    RunText(R"({"frame": "design", "steps": [{"frames": 3}]})", {&count});
    EXPECT_EQ((std::vector<int>{1, 1, 1}), starts);
}

TEST(GameFrame, ThePlayersTwoAnimationUpdatesComeBeforeTheCameraUpdate) {
    // In first person: the body's record with ThirdPerson flipped to 1, then
    // the first-person record, both before the camera update's own updates
    // (made with the plug-in's extra-update flag set).
    std::vector<std::string> updates;
    At log([&updates](sim::Game& g, const FrameInfo&) {
        for (int i = 0; i < g.CallCount(); ++i) {
            const sim::CallRecord& c = g.Call(i);
            if (c.routine != sim::Routine::UpdateAnimationRecord) {
                continue;
            }
            std::string u = c.receiver == &g.bodyAnim->rec ? "body"
                            : c.receiver == &g.fpAnim->rec ? "arms"
                                                           : "other";
            u += c.thirdPerson != 0 ? "/third" : "/first";
            u += c.watched[0] != 0 ? "/extra" : "";
            updates.push_back(u);
        }
    });
    simtool::Scenario scenario;
    simtool::ScenarioError error;
    ASSERT_TRUE(
        simtool::ParseScenario(R"({"steps": [{"frames": 1}]})", "t.json", &scenario, &error));
    // The call log copies the extra-update flag at every call.
    At watch(sim::FrameStage::Actors,
             [](sim::Game& g, const FrameInfo&) { g.Watch(0, &InExtraAnimUpdate); });
    testing::internal::CaptureStdout();
    simtool::RunScenario(scenario, {&watch, &log});
    testing::internal::GetCapturedStdout();
    ASSERT_GE(updates.size(), 7u);
    // The two other actors first, at their process updates.
    EXPECT_EQ("other/first", updates[0]);
    EXPECT_EQ("other/first", updates[1]);
    // The player: the other view's skeleton, then its own (the body pass
    // updates the first-person record and then the body again).
    EXPECT_EQ("body/third", updates[2]);
    EXPECT_EQ("arms/first", updates[3]);
    // The camera update's extra updates come after.
    size_t extra = 0;
    while (extra < updates.size() && updates[extra].find("/extra") == std::string::npos) {
        ++extra;
    }
    ASSERT_LT(extra, updates.size());
    EXPECT_EQ("body/first/extra", updates[extra]);
    EXPECT_EQ("arms/first/extra", updates[extra + 1]);
}

TEST(GameFrame, CollisionObjectsFollowTheGamesUpdatesAndNotThePluginsExtraOnes) {
    uint32_t syncs = 0, duringExtra = 0, behindAfterCamera = 0;
    At camera(sim::FrameStage::Draws, [&behindAfterCamera](sim::Game& g, const FrameInfo&) {
        // Right after the camera update, whose extra updates moved no
        // collision object along with its node.
        for (const sim::Collision& c : g.Collisions()) {
            behindAfterCamera += c.node->behindSinceExtraUpdate ? 1 : 0;
        }
    });
    At end([&](sim::Game& g, const FrameInfo&) {
        for (const sim::Collision& c : g.Collisions()) {
            syncs += c.syncs;
            duringExtra += c.syncsDuringExtraUpdates;
        }
    });
    simtool::ViewCheck check;
    // Head bob moves the body at every body pass: the camera update's extra
    // updates find the skeleton moved.
    const auto problems = RunText(R"({"settings": ["[Main]", "bEnableHeadBob=1"],
        "steps": [{"frames": 3, "drawPlace": "before-rendering"}]})",
                                  {&camera, &end, &check});
    EXPECT_TRUE(problems.empty()) << problems[0];
    EXPECT_TRUE(check.problems.empty()) << check.problems[0];
    EXPECT_GT(syncs, 0u);
    EXPECT_EQ(0u, duringExtra);
    EXPECT_GT(behindAfterCamera, 0u);
}

// The view check finds what a player would see wrong; here the game itself
// undoes the plug-in's work right before the view, unknown to the check.
TEST(GameFrame, TheViewCheckSeesWhatThePlayerWouldSee) {
    const std::string standing = R"({"steps": [{"frames": 2}]})";
    {
        simtool::ViewCheck check;
        RunText(standing, {&check});
        EXPECT_TRUE(check.problems.empty()) << check.problems[0];
    }
    struct Fault {
        std::function<void(sim::Game&)> make;
        const char* said;
    } faults[] = {
        {[](sim::Game& g) { g.bodyHead->node.WorldScale = 1.0f; },
         "the view shows Bip01 Head whole, where it must be collapsed"},
        {[](sim::Game& g) { g.rClavicle->node.WorldScale = 0.0f; },
         "the view shows Bip01 R Clavicle collapsed, where it must be whole"},
        {[](sim::Game& g) { g.bodyRoot->node.Flags |= kNodeHiddenBit; }, "the view hides the body"},
        {[](sim::Game& g) { g.fpRoot->node.Flags &= ~kNodeHiddenBit; },
         "the view draws the game's first-person arms"},
        {[](sim::Game& g) { g.bodyBones[sim::kBonePelvis]->node.WorldTranslation.x += 1.0f; },
         "Bip01 Pelvis: its collision object was left behind after the game's update"},
    };
    for (const Fault& f : faults) {
        simtool::ViewCheck check;
        At undo(sim::FrameStage::View, [&f](sim::Game& g, const FrameInfo&) { f.make(g); });
        RunText(standing, {&undo, &check});
        std::string all;
        for (const std::string& p : check.problems) {
            all += p + "\n";
        }
        EXPECT_NE(std::string::npos, all.find(f.said)) << all;
    }
}

TEST(GameFrame, AnExpectationAtAViewThatWasNotDrawnFails) {
    const auto problems = RunText(R"({"frame": "design", "steps": [
        {"frames": 1, "expect": {"view.BodyDrawn": true}}]})",
                                  {});
    ASSERT_EQ(1u, problems.size());
    EXPECT_EQ("steps[0].expect.view.BodyDrawn: wanted true, got \"no view is drawn in the "
              "design's order of the frame\"",
              problems[0]);
}

} // namespace
